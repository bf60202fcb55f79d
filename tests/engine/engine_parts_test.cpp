// The engine's parts on their own, fed the events libmpv sends: the load
// tracker and the seek sequencer (the stretch session is covered through the
// engine by the long-file tests).
#include "core/engine/load_tracker.h"
#include "core/engine/mpv_handle.h"
#include "core/engine/seek_sequencer.h"

#include <gtest/gtest.h>

namespace {

mpv_event event(mpv_event_id id, void* data = nullptr, std::uint64_t userdata = 0, int error = 0) {
    mpv_event e{};
    e.event_id = id;
    e.data = data;
    e.reply_userdata = userdata;
    e.error = error;
    return e;
}

struct Events {
    template <typename Part> void start(Part& part, std::int64_t entry) {
        mpv_event_start_file start{entry};
        part.onEvent(event(MPV_EVENT_START_FILE, &start));
    }
    template <typename Part> void end(Part& part, std::int64_t entry, int error) {
        mpv_event_end_file end{};
        end.reason = error < 0 ? MPV_END_FILE_REASON_ERROR : MPV_END_FILE_REASON_EOF;
        end.error = error;
        end.playlist_entry_id = entry;
        part.onEvent(event(MPV_EVENT_END_FILE, &end));
    }
    template <typename Part> void timePos(Part& part, double seconds) {
        mpv_event_property property{"time-pos", MPV_FORMAT_DOUBLE, &seconds};
        part.onEvent(event(MPV_EVENT_PROPERTY_CHANGE, &property, SeekSequencer::TimePosObserved));
    }
    template <typename Part> void endReached(Part& part) {
        int flag = 1;
        mpv_event_property property{"eof-reached", MPV_FORMAT_FLAG, &flag};
        part.onEvent(event(MPV_EVENT_PROPERTY_CHANGE, &property, SeekSequencer::EndObserved));
    }
    template <typename Part> void seekDone(Part& part) {
        part.onEvent(event(MPV_EVENT_COMMAND_REPLY, nullptr, SeekSequencer::SeekReply));
        part.onEvent(event(MPV_EVENT_SEEK));
        part.onEvent(event(MPV_EVENT_PLAYBACK_RESTART));
    }
} events;

} // namespace

TEST(LoadTracker, WhatLibmpvSaidBeforeTheEntryWasKnownCountsOnceItIs) {
    LoadTracker loads;
    loads.expect();
    events.start(loads, 7);
    loads.onEvent(event(MPV_EVENT_FILE_LOADED));
    loads.bind(7);
    EXPECT_TRUE(loads.current().loaded);
    EXPECT_FALSE(loads.current().settled());
    events.start(loads, 9); // another load's news is not this one's
    loads.onEvent(event(MPV_EVENT_PLAYBACK_RESTART));
    EXPECT_TRUE(loads.current().ready);
    EXPECT_EQ(loads.take().entryId, 7);
    EXPECT_EQ(loads.current().entryId, -1);

    // News of a load other than the one bound is dropped.
    loads.expect();
    events.start(loads, 11);
    loads.onEvent(event(MPV_EVENT_FILE_LOADED));
    loads.bind(12);
    EXPECT_FALSE(loads.current().started);
}

TEST(LoadTracker, AnEndSettlesTheLoadWithLibmpvsError) {
    LoadTracker loads;
    loads.follow(3);
    events.start(loads, 3);
    events.end(loads, 4, MPV_ERROR_LOADING_FAILED); // not the one followed
    EXPECT_FALSE(loads.current().settled());
    events.end(loads, 3, MPV_ERROR_UNKNOWN_FORMAT);
    const MpvLoad outcome = loads.take();
    EXPECT_TRUE(outcome.ended);
    EXPECT_FALSE(outcome.ready);
    EXPECT_EQ(outcome.endError, MPV_ERROR_UNKNOWN_FORMAT);
}

class Sequencer : public ::testing::Test {
  protected:
    void SetUp() override {
        // An idle player: the commands are accepted and answered, and the
        // answers the test needs are fed by hand.
        handle = createAudioPlayer({MpvOutput::Kind::Null, {}});
        ASSERT_TRUE(handle);
        ASSERT_TRUE(playback.observe(handle.get()));
        playback.begin(60, true);
    }
    void TearDown() override {
        playback.detach();
        handle.reset();
    }

    MpvHandle handle;
    bool lost = false;
    SeekSequencer playback{[this] { lost = true; }};
};

TEST_F(Sequencer, ASeekReportsItsTargetAndThePositionNeverStepsBackBehindIt) {
    playback.play();
    events.timePos(playback, 50.4);
    EXPECT_EQ(playback.position(), 50);
    ASSERT_TRUE(playback.seek(30));
    EXPECT_TRUE(playback.seekPending());
    events.timePos(playback, 50.6); // from before the seek
    EXPECT_EQ(playback.position(), 30);
    events.seekDone(playback);
    EXPECT_FALSE(playback.seekPending());
    // libmpv takes the output's latency off until the first sound is heard.
    events.timePos(playback, 29.8);
    EXPECT_EQ(playback.position(), 30);
    events.timePos(playback, 31.1);
    EXPECT_EQ(playback.position(), 31);
    events.timePos(playback, 30.9); // the floor is gone once passed
    EXPECT_EQ(playback.position(), 30);
    EXPECT_EQ(playback.state(), StatePlaying);
    EXPECT_FALSE(lost);
}

TEST_F(Sequencer, TheEndOfTheFileIsHeldOnceNoSeekIsInFlight) {
    playback.play();
    ASSERT_TRUE(playback.seek(59));
    events.endReached(playback); // the seek's own answer comes first
    playback.settle();
    EXPECT_EQ(playback.state(), StatePlaying);
    EXPECT_EQ(playback.position(), 59);

    events.seekDone(playback);
    events.endReached(playback);
    playback.settle();
    EXPECT_EQ(playback.state(), StatePaused);
    EXPECT_EQ(playback.position(), 60);
    EXPECT_EQ(playback.position(), 60) << "a read changed the state";

    playback.reset();
    EXPECT_EQ(playback.state(), StateStopped);
    EXPECT_EQ(playback.position(), 0);
}

TEST_F(Sequencer, ARefusedSeekReleasesItsTarget) {
    playback.play();
    ASSERT_TRUE(playback.seek(20));
    playback.onEvent(
        event(MPV_EVENT_COMMAND_REPLY, nullptr, SeekSequencer::SeekReply, MPV_ERROR_COMMAND));
    EXPECT_FALSE(playback.seekPending());
    // A refused pause means libmpv has lost the file.
    playback.onEvent(event(MPV_EVENT_SET_PROPERTY_REPLY, nullptr, SeekSequencer::PauseReply,
                           MPV_ERROR_PROPERTY_UNAVAILABLE));
    EXPECT_TRUE(lost);
}
