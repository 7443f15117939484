#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "framework/headless_window_thread.h"
#include "framework/serial_port.h"
#include "framework/window.h"

namespace tavr {
namespace {

// A port whose "watcher" is whatever thread calls Queue(): it queues an entry and posts, as the
// real unit's watcher does.
class FakeDevice final : public SerialPortDevice {
  public:
    explicit FakeDevice(SerialPort::QueueReadyPoster post) : post_(std::move(post)) {}

    SerialOpenResult Open(const SerialPortProperties& properties) override {
        Close();
        open_ = properties.PortNumber() != 13;  // port 13 is in use elsewhere
        openedPort = properties.PortNumber();
        if (!open_) {
            return {SerialOpenError::InUse, "/dev/ttyUSB3", ""};
        }
        return {};
    }
    void Close() override {
        open_ = false;
        std::lock_guard lock(mutex_);
        queue_.clear();
    }
    bool IsOpen() const override { return open_; }
    bool Send(const Value& data) override {
        sent.push_back(data);
        return open_;
    }
    void DeliverQueued(const EventSink& sink) override {
        std::deque<SerialEvent> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(queue_);
        }
        for (const SerialEvent& event : taken) {
            if (!sink(event)) {
                return;
            }
        }
    }

    // Watcher side, any thread.
    void Queue(SerialEvent event) {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(event);
        }
        post_();
    }
    void QueueBytes(std::int32_t count) {
        for (std::int32_t byte = 0; byte < count; ++byte) {
            Queue({SerialEvent::Kind::DataArrival, byte});
        }
    }

    std::int32_t openedPort = 0;
    std::vector<Value> sent;

  private:
    SerialPort::QueueReadyPoster post_;
    bool open_ = false;
    std::mutex mutex_;
    std::deque<SerialEvent> queue_;
};

class Port : public testing::Test {
  protected:
    SerialPort::DeviceFactory Factory() {
        return [this](SerialPort::QueueReadyPoster post) {
            poster = post;
            auto made = std::make_unique<FakeDevice>(std::move(post));
            device = made.get();
            return made;
        };
    }

    HeadlessWindowThread headless;
    std::optional<Window> window{std::in_place, headless.Thread(), "main", 695, 670};
    FakeDevice* device = nullptr;
    SerialPort::QueueReadyPoster poster;
    SerialPort& port = window->Add<SerialPort>("端口1", Factory());
    std::vector<std::int32_t> bytes;
};

TEST_F(Port, BytesQueuedOnAnotherThreadArriveOneEventEachInOrder) {
    port.onDataArrival = [this](std::int32_t byte) { bytes.push_back(byte); };
    window->Create();
    ASSERT_TRUE(port.Open());
    std::thread watcher([this] { device->QueueBytes(75); });
    watcher.join();
    EXPECT_TRUE(bytes.empty());  // nothing before the window thread pumps
    headless.Posts().Pump();
    ASSERT_EQ(bytes.size(), 75u);
    for (std::int32_t i = 0; i < 75; ++i) {
        EXPECT_EQ(bytes[static_cast<std::size_t>(i)], i);
    }
}

// The bytes of one delivery arrived together: each handler sees the moment it began, the quiet
// time a reply's last byte starts being this delivery's, not an earlier one's.
TEST_F(Port, HandlersSeeTheMomentTheirDeliveryReachedTheWindowThread) {
    std::vector<std::int64_t> seen;
    port.onDataArrival = [&](std::int32_t) { seen.push_back(port.DeliveredAt()); };
    window->Create();
    ASSERT_TRUE(port.Open());
    headless.Clock().Advance(250);
    device->QueueBytes(2);
    headless.Clock().Advance(40);
    headless.Posts().Pump();
    device->QueueBytes(1);
    headless.Clock().Advance(10);
    headless.Posts().Pump();
    EXPECT_EQ(seen, (std::vector<std::int64_t>{290, 290, 300}));
}

TEST_F(Port, CommEventsAndBytesKeepTheirQueueOrder) {
    std::vector<std::int32_t> seen;
    port.onDataArrival = [&](std::int32_t byte) { seen.push_back(byte); };
    port.onCommEvent = [&](std::int32_t code) { seen.push_back(-code); };
    window->Create();
    device->Queue({SerialEvent::Kind::CommEvent, 4});
    device->Queue({SerialEvent::Kind::DataArrival, 0x1AB});  // only the low byte is the byte
    device->Queue({SerialEvent::Kind::CommEvent, 2});
    headless.Posts().Pump();
    EXPECT_EQ(seen, (std::vector<std::int32_t>{-4, 0xAB, -2}));
}

TEST_F(Port, AHandlerClosingTheWindowStopsTheDelivery) {
    port.onDataArrival = [this](std::int32_t byte) {
        bytes.push_back(byte);
        if (byte == 3) {
            window->Close();
        }
    };
    window->Create();
    ASSERT_TRUE(port.Open());
    device->QueueBytes(10);
    headless.Posts().Pump();
    EXPECT_EQ(bytes, (std::vector<std::int32_t>{0, 1, 2, 3}));
    EXPECT_FALSE(port.IsOpen());  // destroying the window closed the port
}

TEST_F(Port, ClosingTheWindowDropsEventsNotYetDelivered) {
    port.onDataArrival = [this](std::int32_t byte) { bytes.push_back(byte); };
    window->Create();
    ASSERT_TRUE(port.Open());
    device->QueueBytes(5);
    window->Close();
    headless.Posts().Pump();
    EXPECT_TRUE(bytes.empty());
}

TEST_F(Port, ANoticePostedAfterTheWindowIsGoneDeliversNothing) {
    port.onDataArrival = [this](std::int32_t byte) { bytes.push_back(byte); };
    window->Create();
    device->QueueBytes(2);
    window.reset();
    poster();  // a watcher still finishing its last entry
    EXPECT_EQ(headless.Posts().Pump(), 3u);
    EXPECT_TRUE(bytes.empty());
}

TEST_F(Port, OpenSendAndPropertiesGoToTheDevice) {
    window->Create();
    port.Properties().SetPortNumber(0);
    EXPECT_EQ(port.Properties().PortNumber(), 1);
    EXPECT_FALSE(port.Send(ByteSet{1, 2}));  // closed
    port.Properties().SetPortNumber(13);
    port.Properties().SetBaudRate(14400);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.LastOpenFailure(), "COM13 (/dev/ttyUSB3): in use by another program");
    port.Properties().SetPortNumber(6);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.LastOpenFailure(), "");
    EXPECT_EQ(device->openedPort, 6);
    EXPECT_TRUE(port.Send(ByteSet{1, 3}));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(device->sent.size(), 2u);
}

TEST_F(Port, APortMarkedToOpenOnCreationOpensWithTheWindow) {
    port.Properties().SetOpenOnCreate(1);
    port.Properties().SetPortNumber(3);
    EXPECT_FALSE(port.IsOpen());
    window->Create();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(device->openedPort, 3);
}

TEST(PortWithoutDevice, FailsEveryOperation) {
    HeadlessWindowThread headless;
    Window window(headless.Thread(), "main", 695, 670);
    auto& port = window.Add<SerialPort>("端口1", SerialPort::DeviceFactory());
    window.Create();
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Send(ByteSet{1}));
}

}  // namespace
}  // namespace tavr
