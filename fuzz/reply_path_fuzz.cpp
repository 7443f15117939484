// Runs the whole program on a headless window thread and plays the input as a script of what
// the meter and the operator do: bytes arriving on the port (any bytes, or an intact reply of
// some device), read requests, register edits begun, typed, confirmed or cancelled, focus moves,
// auto-read settings, connecting and time passing. After every step the register table holds no
// row or all 35 (it is empty until the first complete reply and never loses a row), and every
// frame sent is a well-formed request; a write never carries a value beyond the register's
// maximum. The table only ever shows an intact reply that arrived, each row with the texts the
// readings of that reply give.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <variant>
#include <vector>

#include "framework/headless_window_thread.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "private_config_home.h"
#include "protocol/frame_codec.h"
#include "protocol/read_reply.h"
#include "registers/catalogue_texts.h"
#include "registers/register_reading.h"
#include "runtime/to_number.h"
#include "scripted_serial_device.h"
#include "ui/meter_program.h"

namespace tavr {
namespace {

// Bounds the work one input can ask for.
constexpr int kMaximumSteps = 256;
constexpr int kMaximumAdvanceMs = 1000;
// Rows beyond the table's 35, so that edits and focus moves on missing rows come up too.
constexpr int kRowChoices = kRegisterCount + 5;
// Script steps; the seeds use the first 16, with the window closing last.
constexpr int kStepChoices = 17;

using Values = std::array<std::uint16_t, kRegisterCount>;

class ReplyPathScript {
  public:
    ReplyPathScript()
        : program_(thread_.Thread(), [this](SerialPort::QueueReadyPoster post) {
              auto device = std::make_unique<ScriptedSerialDevice>(std::move(post));
              device_ = device.get();
              return device;
          }) {
        program_.MainWindow().Create();
        CheckState();
    }

    void Step(FuzzInput& input) {
        MeterControls& controls = program_.Controls();
        ListView& table = controls.超级列表框1;
        switch (input.Byte() % kStepChoices) {
            case 0:
            case 1:
                Arrive(input.Chars(255));
                break;
            case 16:
                ArriveIntactReply(input);
                break;
            case 2:
                controls.读取数据.Click();
                break;
            case 3:
                table.BeginEdit(input.Byte() % kRowChoices);
                break;
            case 4:
                table.TypeEditText(Text(input.Chars(16)));
                break;
            case 5:
                table.ConfirmEdit();
                break;
            case 6:
                table.CancelEdit();
                break;
            case 7:
                table.Focus();
                break;
            case 8:
                table.FocusRow(input.Byte() % kRowChoices);
                break;
            case 9:
                controls.读取数据.Focus();
                break;
            case 10:
                thread_.Clock().Advance(input.Uint16() % (kMaximumAdvanceMs + 1));
                break;
            case 11:
                controls.自动读取选择框.Click();
                break;
            case 12:
                controls.隔几秒.Type(Text(input.Chars(12)));
                break;
            case 13:
                controls.联机按钮.Click();
                break;
            case 14:
                controls.设备ID.Pick(input.Byte() % 60);
                break;
            case 15:
                program_.MainWindow().Close();
                break;
        }
        thread_.Posts().Pump();
        CheckState();
    }

    // Every row shows its own register's address and its two raw bytes in hexadecimal.
    void CheckRows() {
        const ListView& table = program_.Controls().超级列表框1;
        for (int row = 0; row < table.RowCount(); ++row) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%04X", static_cast<unsigned>(row));
            Require(table.GetItemText(row, 3) == address, "row r shows address r");
            const Text bytes = table.GetItemText(row, 2);
            unsigned high = 0;
            unsigned low = 0;
            char rest = 0;
            Require(bytes.size() == 9 &&
                        std::sscanf(bytes.c_str(), "0x%2X 0x%2X%c", &high, &low, &rest) == 2,
                    "the bytes column shows two bytes as 0xHH");
        }
    }

  private:
    // The bytes arrive on the port; every 75 of them in a row that make an intact read reply
    // (of any device) are a reply the table may show.
    void Arrive(std::string_view bytes) {
        for (const char byte : bytes) {
            window_.push_back(static_cast<std::uint8_t>(byte));
            if (window_.size() > static_cast<std::size_t>(kReadReplyLength)) {
                window_.pop_front();
            }
            if (window_.size() == static_cast<std::size_t>(kReadReplyLength)) {
                std::array<std::uint8_t, kReadReplyLength> last{};
                std::copy(window_.begin(), window_.end(), last.begin());
                const ReadReply reply = ParseReadReply(last);
                if (reply.IsIntactReplyFrom(reply.slaveAddress)) {
                    intactReplies_.insert(reply.values);
                }
            }
        }
        device_->Arrive(bytes);
    }

    // An intact reply of the device the selector shows, of the next one, or of any device.
    void ArriveIntactReply(FuzzInput& input) {
        const std::int32_t selected = ToInteger(program_.Controls().设备ID.Content());
        const std::uint8_t choice = input.Byte();
        const auto device = static_cast<std::uint8_t>(choice % 3 == 0   ? selected
                                                      : choice % 3 == 1 ? selected + 1
                                                                        : input.Byte());
        Values values{};
        for (std::uint16_t& value : values) {
            value = input.Uint16();
        }
        const ByteSet reply = BuildReadReply(device, values);
        Arrive(std::string_view(reinterpret_cast<const char*>(reply.data()), reply.size()));
    }

    void CheckState() {
        const std::int32_t rows = program_.Controls().超级列表框1.RowCount();
        Require(rows == 0 || rows == kRegisterCount, "the table holds 0 or 35 rows");
        Require(rows >= rowsSeen_, "the table never loses its rows");
        rowsSeen_ = rows;
        for (const Value& frame : device_->TakeSent()) {
            CheckFrame(frame);
        }
        if (rows == kRegisterCount) {
            CheckShownReply();
        }
    }

    // The raw values the table shows (its hexadecimal column) are those of an intact reply that
    // arrived, and every row shows the texts of that reply's readings; the first column may
    // hold a confirmed edit instead.
    void CheckShownReply() {
        const ListView& table = program_.Controls().超级列表框1;
        Values shown{};
        for (int row = 0; row < kRegisterCount; ++row) {
            unsigned high = 0;
            unsigned low = 0;
            Require(std::sscanf(table.GetItemText(row, 2).c_str(), "0x%2X 0x%2X", &high, &low) == 2,
                    "the bytes column shows two bytes");
            shown[static_cast<std::size_t>(row)] = static_cast<std::uint16_t>(high << 8 | low);
        }
        Require(intactReplies_.contains(shown), "the table shows only an intact reply");
        if (shown == checkedValues_) {
            return;  // decoded before, and texts of the same reply are the same
        }
        checkedValues_ = shown;
        ReadReply reply;
        reply.values = shown;
        RegisterCatalogue catalogue;
        catalogue.LoadCatalogue(kDecimalsCatalogueText, kUnitsCatalogueText, kRemarksCatalogueText,
                                kMaxLimitsCatalogueText);
        const RegisterReadings readings = DecodeReadings(reply, catalogue);
        for (int row = 0; row < kRegisterCount; ++row) {
            const RegisterRow& texts = readings[static_cast<std::size_t>(row)].texts;
            Require(table.GetItemText(row, 1) == texts.value &&
                        table.GetItemText(row, 3) == texts.address &&
                        table.GetItemText(row, 4) == texts.remark,
                    "a row shows the texts of its reading");
        }
    }

    void CheckFrame(const Value& frame) {
        const ByteSet* bytes = std::get_if<ByteSet>(&frame);
        Require(bytes != nullptr && bytes->size() == kRequestLength, "a request is 8 bytes");
        const std::span<const std::uint8_t> request(*bytes);
        Require(CrcMatches(request), "a request's CRC is right");
        const int address = request[2] << 8 | request[3];
        const int value = request[4] << 8 | request[5];
        if (request[1] == kReadFunction) {
            Require(address == kFirstRegister && value == kRegisterCount,
                    "a read asks for all 35 registers");
            return;
        }
        Require(request[1] == kWriteFunction, "a request reads or writes");
        Require(address < kRegisterCount, "a write goes to a register of the table");
        const std::int32_t maximum =
            ToInteger(program_.Catalogue().Entry(static_cast<std::uint16_t>(address)).maximum);
        Require(value <= maximum, "a write never exceeds the register's maximum");
    }

    HeadlessWindowThread thread_;
    ScriptedSerialDevice* device_ = nullptr;
    MeterProgram program_;
    std::int32_t rowsSeen_ = 0;
    std::deque<std::uint8_t> window_;  // the last 75 bytes that arrived
    std::set<Values> intactReplies_;
    Values checkedValues_{};
};

}  // namespace
}  // namespace tavr

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Connecting and writing register 0000H store the selections; start-up reads them back. Each
    // input starts from no stored settings, so that it plays the same however often it is run.
    static const tavr::PrivateConfigHome home;
    std::error_code ignored;
    std::filesystem::remove_all(home.ProgramFolder(), ignored);

    tavr::FuzzInput input(data, size);
    tavr::ReplyPathScript script;
    for (int step = 0; step < tavr::kMaximumSteps && !input.Empty(); ++step) {
        script.Step(input);
    }
    script.CheckRows();
    return 0;
}
