#include "ui/read_cycle.h"

#include "protocol/frame_codec.h"
#include "runtime/saturating_int32.h"
#include "runtime/to_number.h"
#include "ui/link_lamp.h"

namespace tavr {

namespace {

// The re-read waits this long for the reply before auto-read is restarted.
constexpr std::int32_t RereadPauseMs = 200;
// The line's time-out: a request unanswered for this long is taken as lost.
constexpr std::int64_t RequestTimeoutMs = 1000;
// A gap between two bytes of one reply shorter than this means the meter is still sending (a
// byte takes under 5 ms on the wire at the lowest baud rate).
constexpr std::int64_t ReplyGapMs = 100;

}  // namespace

ReadCycle::ReadCycle(MeterControls& controls, ReplyCollection& reply)
    : controls_(controls), reply_(reply) {}

std::int32_t ReadCycle::CurrentDeviceId() const {
    return ToInteger(controls_.设备ID.Content()) & 0xFF;
}

std::int32_t ReadCycle::AutoReadPeriod() const {
    // An absurd period (1e10 seconds) gives the longest interval, never a wrapped one.
    return SaturatingInt32(ToNumber(controls_.隔几秒.Content()) * 1000.0);
}

void ReadCycle::SendReadRequest() {
    if (ReplyArriving()) {
        return;
    }
    const std::int32_t deviceId = CurrentDeviceId();
    const ByteSet request = BuildReadRequest(deviceId);
    reply_.replyByteCount = 0;
    reply_.editMode = false;
    requestedDevice_ = static_cast<std::uint8_t>(deviceId);
    if (controls_.外形框1.FillColour() == LampReady || RequestLost()) {
        controls_.端口1.Send(request);
        NoteRequestSent();
    }
    reply_.replyComplete = false;
    reply_.replyByteCount = 0;
    controls_.外形框1.SetFillColour(LampWaiting);
}

void ReadCycle::NoteRequestSent() {
    requestOutstandingSince_ = Now();
}

void ReadCycle::NoteByteArrived() {
    requestOutstandingSince_.reset();
    lastByteAt_ = Now();
}

bool ReadCycle::ReplyArriving() const {
    return reply_.replyByteCount > 0 && reply_.replyByteCount < ReadReplyLength && lastByteAt_ &&
           Now() - *lastByteAt_ < ReplyGapMs;
}

bool ReadCycle::RequestLost() const {
    return controls_.外形框1.FillColour() == LampWaiting && requestOutstandingSince_ &&
           Now() - *requestOutstandingSince_ >= RequestTimeoutMs;
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
    controls_.window.Thread().Delay(RereadPauseMs);
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
