// The pedals' devices: the hidraw scan on a sysfs tree made for it, the
// reader on a FIFO, and the service finding, reading and losing a pedal, with
// an open that fails for want of rights (the tests run as root, so the
// failure is made through the opener).
#include "core/commands/command_fixture.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "inputs/pedals/hidraw_reader_linux.h"
#include "inputs/pedals/hidraw_scan_linux.h"
#include "inputs/pedals/pedal_service_linux.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace modMain;
using namespace inputs;

namespace {

// A sysfs tree of hidraw nodes under a temporary folder, as the kernel lays
// it out: class/hidraw/hidrawN/device/{uevent,report_descriptor}.
class FakeSysfs {
  public:
    explicit FakeSysfs(const QString& root) : root_(root) {}

    void add(int number, const QByteArray& hidId, const QByteArray& descriptor = {},
             const QByteArray& name = "Some device") {
        const QString device = root_ + QStringLiteral("/class/hidraw/hidraw%1/device").arg(number);
        QDir().mkpath(device);
        write(device + "/uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=" + name +
                                      "\nHID_PHYS=usb-0000:00:14.0-1/input0\n");
        if (!descriptor.isNull())
            write(device + "/report_descriptor", descriptor);
    }

  private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QString root_;
};

bool writeAll(int fd, const QByteArray& bytes) {
    return ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
}

class PedalDevices : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        RevSeconds = 3;
        pedals::Settings() = pedals::PedalSettings{};
        sys = folder.filePath("sys");
        dev = folder.filePath("dev");
        QDir().mkpath(dev);
    }
    void TearDown() override {
        for (int fd : fds)
            ::close(fd);
        CommandFixture::TearDown();
    }

    QString sys;
    QString dev;
    std::vector<int> fds;
};

} // namespace

TEST_F(PedalDevices, TheScanReadsIdsNamesAndDescriptorsOfEveryNode) {
    FakeSysfs tree(sys);
    tree.add(10, "0003:000005F3:000000FF", QByteArray("\x05\x09", 2), "VEC  VEC USB Footpedal");
    tree.add(2, "0003:0000046D:0000C077");
    tree.add(3, "garbage");
    tree.add(4, "0005:00000911:0000091A", QByteArray());
    const auto nodes = ScanHidraw(sys, dev);
    ASSERT_EQ(nodes.size(), 3u) << "the node without ids is left out";
    EXPECT_EQ(nodes[0].devicePath, dev + "/hidraw2");
    EXPECT_EQ(nodes[0].vendor, 0x046d);
    EXPECT_EQ(nodes[0].product, 0xc077);
    EXPECT_TRUE(nodes[0].descriptor.isEmpty());
    EXPECT_EQ(nodes[1].devicePath, dev + "/hidraw4");
    EXPECT_EQ(nodes[1].product, 0x091a);
    EXPECT_EQ(nodes[2].devicePath, dev + "/hidraw10") << "by number, not by name";
    EXPECT_EQ(nodes[2].vendor, 0x05f3);
    EXPECT_EQ(nodes[2].name, "VEC  VEC USB Footpedal");
    EXPECT_EQ(nodes[2].descriptor, QByteArray("\x05\x09", 2));
    EXPECT_TRUE(ScanHidraw(folder.filePath("nowhere"), dev).empty());
}

TEST_F(PedalDevices, TheReaderCutsAFifoIntoReportsAndWaitsForTheNextWriter) {
    const QString fifo = folder.filePath("pedal");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    HidrawReader reader;
    QList<QByteArray> reports;
    int lost = 0;
    QObject::connect(&reader, &HidrawReader::report,
                     [&](const QByteArray& bytes) { reports << bytes; });
    QObject::connect(&reader, &HidrawReader::lost, [&] { ++lost; });
    ASSERT_EQ(reader.Open(fifo, 2), 0);
    EXPECT_EQ(reader.Open(folder.filePath("missing"), 2), ENOENT);
    EXPECT_FALSE(reader.IsOpen());
    ASSERT_EQ(reader.Open(fifo, 2), 0);

    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    // Three reports in one write, then one split over two.
    ASSERT_TRUE(writeAll(writer, QByteArray("\x02\x00\x03\x00\x00\x00", 6)));
    ASSERT_TRUE(WaitUntil([&] { return reports.size() == 3; }));
    ASSERT_TRUE(writeAll(writer, QByteArray("\x04", 1)));
    ASSERT_TRUE(writeAll(writer, QByteArray("\x00", 1)));
    ASSERT_TRUE(WaitUntil([&] { return reports.size() == 4; }));
    EXPECT_EQ(reports, QList<QByteArray>({QByteArray("\x02\x00", 2), QByteArray("\x03\x00", 2),
                                          QByteArray("\x00\x00", 2), QByteArray("\x04\x00", 2)}));
    EXPECT_EQ(lost, 0);

    // The writer goes with half a report sent: that half is dropped, and the
    // next writer is read from a clean start.
    ASSERT_TRUE(writeAll(writer, QByteArray("\x01", 1)));
    ::close(writer);
    ASSERT_TRUE(WaitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(reader.IsOpen());
    const int next = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(next, 0);
    fds.push_back(next);
    ASSERT_TRUE(writeAll(next, QByteArray("\x01\x00", 2)));
    ASSERT_TRUE(WaitUntil([&] { return reports.size() == 5; }));
    EXPECT_EQ(reports.last(), QByteArray("\x01\x00", 2));
    EXPECT_EQ(lost, 1);
}

TEST_F(PedalDevices, AKnownPedalIsReadAndItsUnplugLetsGoOfThePlay) {
    FakeSysfs tree(sys);
    tree.add(0, "0003:0000046D:0000C077");
    tree.add(1, "0003:000005F3:000000FF");
    // The pedal's node: one end of a socket pair, which keeps report
    // boundaries as hidraw does and ends when the other end closes.
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, pair), 0);
    fds.push_back(pair[1]);
    QStringList opened;
    PedalSources sources{sys,
                         dev,
                         {},
                         [&](const QString& path) {
                             opened << path;
                             return path.endsWith("hidraw1") ? pair[0] : -ENOENT;
                         },
                         false};
    playing(StatePaused, 100);
    auto service = std::make_unique<PedalService>(sources);
    service->Start();
    EXPECT_EQ(opened, QStringList({dev + "/hidraw1"})) << "only known pedals are opened";
    EXPECT_EQ(pedals::Pedals().Device(), "Infinity IN-USB-2");

    ASSERT_TRUE(writeAll(pair[1], QByteArray("\x02\x00", 2)));
    ASSERT_TRUE(WaitUntil([&] { return engine->state == StatePlaying; }));
    EXPECT_EQ(engine->take(), QStringList({"seek(97)", "restart"}));
    // Unplugged mid-press: the play ends, and the pedal is gone.
    ::close(pair[1]);
    fds.clear();
    ASSERT_TRUE(WaitUntil([&] { return engine->state == StatePaused; }));
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
    EXPECT_EQ(pedals::Pedals().State(), 0);
    EXPECT_EQ(pedals::Pedals().Device(), "");
    EXPECT_TRUE(messages.calls.empty());
    service.reset();
}

TEST_F(PedalDevices, APedalWithoutRightsIsSaidOncePerStartAndThePlayerRunsOn) {
    FakeSysfs tree(sys);
    tree.add(5, "0003:00000911:00001844");
    PedalSources sources{sys, dev, {}, [](const QString&) { return -EACCES; }, false};
    PedalService service(sources);
    service.Start();
    service.Rescan(); // a hotplug event meanwhile
    ASSERT_TRUE(WaitUntil([&] { return !messages.calls.empty(); }));
    PedalService again(sources);
    again.Start();
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.calls.size(), 1u);
    const MessageCall& box = messages.calls.front();
    EXPECT_EQ(box.title, "ペダル");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
    EXPECT_TRUE(box.text.contains("Philips ACC2310/ACC2320")) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(dev + "/hidraw5"));
    EXPECT_TRUE(box.text.contains("70-memotap-pedal.rules"));
    EXPECT_TRUE(box.text.contains("sudo udevadm control --reload-rules && sudo udevadm trigger"));
    EXPECT_EQ(pedals::Pedals().Device(), "");
}

TEST_F(PedalDevices, TheOverrideReadsItsDeviceWithTheNamedLayout) {
    const QString fifo = folder.filePath("olympus");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FakeSysfs(sys).add(1, "0003:000005F3:000000FF");
    PedalSources sources;
    sources.sysRoot = sys;
    sources.devRoot = dev;
    sources.deviceOverride = fifo + ",07b4:0218";
    sources.watchHotplug = false;
    PedalService service(sources);
    service.Start();
    EXPECT_TRUE(pedals::Pedals().Device().startsWith("Olympus RS-28"));
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    fds.push_back(writer);
    std::vector<pedals::PedalState> seen;
    QObject listener;
    QObject::connect(&pedals::Pedals(), &pedals::PedalController::stateChanged, &listener,
                     [&](pedals::PedalState state) { seen.push_back(state); });
    pedals::Settings().commands = {}; // only the states matter here
    ASSERT_TRUE(writeAll(writer, QByteArray("\x02\x04\x00", 3)));
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<pedals::PedalState>{pedals::BitOf(pedals::Pedal::Right),
                                                     pedals::BitOf(pedals::Pedal::Middle), 0}));
}
