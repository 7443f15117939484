#include "ui/reply_decoding.h"

#include <array>

#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"
#include "ui/link_lamp.h"

namespace tavr {

ReplyDecoder::ReplyDecoder(MeterControls& controls, ReplyCollection& reply,
                           RegisterCatalogue& catalogue, ReadCycle& readCycle)
    : controls_(controls), reply_(reply), catalogue_(catalogue), readCycle_(readCycle) {}

void ReplyDecoder::OnReplyByte(std::int32_t byte) {
    controls_.外形框1.SetFillColour(LampReady);
    readCycle_.NoteByteArrived();
    if (!reply_.editMode) {
        reply_.replyBytes[static_cast<std::size_t>(reply_.replyByteCount)] =
            static_cast<std::uint8_t>(byte);
        ++reply_.replyByteCount;
        if (reply_.replyByteCount == ReadReplyLength) {
            reply_.replyComplete = true;
            reply_.replyByteCount = 0;
        }
    }
    if (reply_.replyComplete) {
        DecodeReply();
        reply_.replyComplete = false;
    }
}

void ReplyDecoder::DecodeReply() {
    const ReadReply reply = ParseReadReply(reply_.replyBytes);
    const std::optional<std::uint8_t> device = readCycle_.RequestedDevice();
    if (!device || !reply.IsIntactReplyFrom(*device)) {
        return;
    }
    RegisterReadings readings = DecodeReadings(reply, catalogue_);
    ShowReadings(readings);
}

void ReplyDecoder::ShowReadings(RegisterReadings& readings) {
    ListView& table = controls_.超级列表框1;
    for (int row = 0; row < RegisterCount; ++row) {
        RegisterRow& texts = readings[static_cast<std::size_t>(row)].texts;
        const std::array<Text*, 5> cells{&texts.decimal, &texts.value, &texts.hexBytes,
                                         &texts.address, &texts.remark};
        table.ReplaceItem(row, cells);
    }
}

}  // namespace tavr
