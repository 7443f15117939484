#include "ui/reply_decoding.h"

#include <array>
#include <optional>

#include "protocol/frame_codec.h"
#include "ui/link_lamp.h"

namespace tavr {

ReplyDecoder::ReplyDecoder(MeterControls& controls, LinkState& link, RegisterCatalogue& catalogue)
    : controls_(controls), link_(link), catalogue_(catalogue) {}

void ReplyDecoder::OnReplyByte(std::int32_t byte) {
    const std::optional<ReadReply> reply =
        link_.Accept(static_cast<std::uint8_t>(byte), controls_.端口1.DeliveredAt());
    PaintLamp(controls_, link_);
    if (reply) {
        DecodeReply(*reply);
    }
}

void ReplyDecoder::DecodeReply(const ReadReply& reply) {
    RegisterReadings readings = DecodeReadings(reply, catalogue_);
    ShowReadings(readings);
}

void ReplyDecoder::ShowReadings(RegisterReadings& readings) {
    for (int row = 0; row < kRegisterCount; ++row) {
        RegisterRow& texts = readings[static_cast<std::size_t>(row)].texts;
        const std::array<Text*, 5> cells{&texts.decimal, &texts.value, &texts.hexBytes,
                                         &texts.address, &texts.remark};
        controls_.超级列表框1.ReplaceItem(row, cells);
    }
}

}  // namespace tavr
