#include "registers/reply_decoding.h"

#include "protocol/frame_codec.h"
#include "protocol/link_lamp.h"
#include "registers/register_row.h"
#include "runtime/split_text.h"
#include "runtime/to_text.h"

namespace tavr {

ReplyDecoder::ReplyDecoder(MeterControls& controls, ReplyCollection& reply,
                           RegisterCatalogue& catalogue)
    : controls_(controls), reply_(reply), catalogue_(catalogue) {}

void ReplyDecoder::OnReplyByte(std::int32_t byte) {
    const Text byteText = ToText(byte);
    controls_.外形框1.SetFillColour(LampReady);
    if (!reply_.editMode) {
        ++reply_.replyByteCount;
        reply_.replyText += byteText;
        if (reply_.replyByteCount < ReadReplyLength) {
            reply_.replyText += ",";
        } else {
            reply_.replyComplete = true;
            reply_.replyByteCount = 0;
        }
    }
    if (reply_.replyComplete) {
        DecodeReply();
        reply_.replyComplete = false;
        reply_.replyText.clear();
    }
}

void ReplyDecoder::DecodeReply() {
    const TextArray bytes = SplitText(reply_.replyText, ",");
    if (bytes.size() < static_cast<std::size_t>(ReadReplyLength)) {
        return;
    }
    ListView& table = controls_.超级列表框1;
    for (int row = 0; row < RegisterCount; ++row) {
        const RegisterRow texts = BuildRegisterRow(bytes, row, catalogue_);
        table.DeleteItem(row);
        table.InsertItem(row, texts.decimal);
        table.SetItemText(row, 1, texts.value);
        table.SetItemText(row, 2, texts.hexBytes);
        table.SetItemText(row, 3, texts.address);
        table.SetItemText(row, 4, texts.remark);
    }
}

}  // namespace tavr
