// Placeholder until the libmpv backend lands; replaced by the engine work.
#include "playback/engine.h"

namespace {
class NullBackend : public EngineBackend {
  public:
    void init() override {}
    std::int16_t setOption(const EngineOptions&) override { return 1; }
    std::int16_t open(const char*, EngineFileInfo*) override { return 0; }
    void close() override {}
    void play() override {}
    void pause() override {}
    void restart() override {}
    void seek(std::int32_t) override {}
    std::int32_t getState(std::int32_t*) override { return 0; }
    void setPitch(std::int32_t) override {}
    void setEqualizer(const std::int32_t*) override {}
    void reload() override {}
    std::int32_t getLastErrorNo() override { return ErrNotInitialised; }
    void stop() override {}
    void free() override {}
};
} // namespace

std::unique_ptr<EngineBackend> makeMpvBackend() { return std::make_unique<NullBackend>(); }
