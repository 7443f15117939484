#include "ui/read_cycle.h"

#include "protocol/frame_codec.h"
#include "runtime/saturating_int32.h"
#include "runtime/to_number.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

// The re-read waits this long for the reply before auto-read is restarted.
constexpr std::int32_t kRereadPauseMs = 200;

}  // namespace

ReadCycle::ReadCycle(MeterControls& controls, LinkState& link) : controls_(controls), link_(link) {}

std::int32_t ReadCycle::CurrentDeviceId() const {
    return ToInteger(controls_.设备ID.Content()) & 0xFF;
}

std::int32_t ReadCycle::AutoReadPeriod() const {
    // An absurd period (1e10 seconds) gives the longest interval, never a wrapped one.
    return SaturatingInt32(ToNumber(controls_.隔几秒.Content()) * 1000.0);
}

void ReadCycle::SendReadRequest() {
    const std::int64_t now = Now();
    if (link_.Arriving(now)) {
        return;
    }
    link_.RestartCollection();
    if (link_.MaySend(now)) {
        const std::int32_t deviceId = CurrentDeviceId();
        controls_.端口1.Send(BuildReadRequest(deviceId));
        link_.BeginRead(static_cast<std::uint8_t>(deviceId), now);
    } else {
        link_.MarkWaiting();
    }
    PaintLamp(controls_, link_);
}

std::int64_t ReadCycle::Now() const {
    return controls_.window.Thread().Now();
}

void ReadCycle::OnManualRead() {
    SendReadRequest();
}

void ReadCycle::OnAutoReadTick() {
    SendReadRequest();
}

void ReadCycle::OnRereadTick() {
    controls_.时钟1.SetInterval(0);
    // An edit opened since the write brings its own re-read when it ends. Reading now would
    // clear the edit flag under the open editor: replies would be collected, auto-read would
    // restart, and the focus coming back after the edit would no longer write it.
    if (controls_.超级列表框1.IsEditing()) {
        return;
    }
    SendReadRequest();
    controls_.window.Thread().Delay(kRereadPauseMs);
    ApplyAutoRead();
}

void ReadCycle::OnAutoReadToggled() {
    ApplyAutoRead();
}

void ReadCycle::OnPeriodChanged() {
    if (controls_.自动读取选择框.Checked() == 1) {
        controls_.时钟2.SetInterval(AutoReadPeriod());
    }
}

void ReadCycle::ApplyAutoRead() {
    controls_.时钟2.SetInterval(controls_.自动读取选择框.Checked() == 1 ? AutoReadPeriod() : 0);
}

}  // namespace tavr
