#include "companion_test.h"

#include <sys/stat.h>
#include <QImage>

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <thread>

#include "companion/log/log_timestamp.h"
#include "companion/plot/plot_description.h"
#include "settings/registry.h"

namespace tavr {
namespace {

using testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Bad command lines and bad input: each is refused with exit code 2 and a message naming the
// problem, and nothing reaches the meter.
TEST_F(CompanionTest, BadUsageAndInputAreRefusedBeforeAnythingIsSent) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::string port = std::to_string(kSimulatorCom);
    const std::string fifo = (Home() / "fifo.csv").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string watchOn[] = {"watch", "--port", port, "--every", "1", "--for", "2s"};
    const auto watchWith = [&watchOn](std::vector<std::string> more) {
        more.insert(more.begin(), std::begin(watchOn), std::end(watchOn));
        return more;
    };
    const Case cases[] = {
        {{}, "usage: tavr-12864-cli COMMAND"},
        {{"fly"}, "unknown command fly"},
        {{"write", "--port", port, "0009H", "10001"},
         "above the largest raw value of 0009H, 10000"},
        {{"write", "--port", port, "0009H", "65536"}, "above the largest raw value of 0009H"},
        {{"write", "--port", port, "0009H", "99999999999999999999"}, "above the largest"},
        {{"write", "--port", port, "0009H", "-5"}, "cannot be negative"},
        {{"write", "--port", port, "0009H", "abc"}, "\"abc\" is not a whole number"},
        {{"write", "--port", port, "0009H", "1.5"}, "\"1.5\" is not a whole number"},
        {{"write", "--port", port, "0009H", ""}, "\"\" is not a whole number"},
        {{"write", "--port", port, "0023H", "1"}, "0023H is not a register address"},
        {{"write", "--port", port, "voltage", "1"}, "voltage is not a register address"},
        {{"write", "--port", port, "0000H", "0"}, "0 is the broadcast address"},
        {{"write", "--port", port, "0000H", "51"}, "above the largest raw value of 0000H, 50"},
        {{"write", "--port", port, "0009H"}, "give the register ADDRESS and the raw VALUE"},
        {{"write", "--port", port, "--id", "0", "0009H", "1"}, "--id: 0 is not a device ID"},
        {{"write", "--port", port, "--id", "1-4", "0009H", "1"},
         "--id: 1-4 names 4 meters; this command talks to one"},
        {{"write", "--port", port, "001BH", "0"},
         "output mode 0 (HEX) takes the meter out of Modbus mode"},
        {{"write", "--port", port, "001BH", "1"}, "Give --force to write it anyway"},
        {{"write", "--port", port, "--force=yes", "001BH", "1"}, "--force takes no value"},
        {{"read", "--id", "51"}, "--id: 51 is not a device ID from 1 to 50"},
        {{"read", "--id", "5-2"}, "--id: the range 5-2 runs backwards"},
        {{"read", "--id", "1,,2"}, "--id: an empty entry is not a device ID"},
        {{"read", "--timeout", "0"}, "--timeout: 0 is not a number of milliseconds from 10 to"},
        {{"read", "--timeout", "60001"}, "--timeout: 60001 is not a number of milliseconds"},
        {{"read", "--retries", "11"}, "--retries: 11 is not a whole number from 0 to 10"},
        {{"read", "--port", "ttyUSB0"}, "or a device path such as /dev/ttyUSB0"},
        {watchWith({"--output", "/dev/full"}), "/dev/full as the log: it is a character device"},
        {watchWith({"--output", "/dev/zero"}), "/dev/zero as the log: it is a character device"},
        {watchWith({"--output", Home().string()}), "as the log: it is a folder"},
        {watchWith({"--output", fifo}), "as the log: it is a pipe (FIFO)"},
        {{"watch", "--every", "0.0001"}, "--every: 0.0001 is shorter than the shortest period"},
        {{"watch", "--every", "86401"}, "--every: 86401 is longer than the longest period"},
        {{"watch", "--every", "1", "--for", "10001d"},
         "--for: 10001d is longer than the longest duration, 10000 days"},
        {{"read", "--baud", "1234"}, "--baud: 1234 is not one of 2400, 4800, 9600, 14400"},
        {{"read", "--port", "0"}, "--port: 0 is not a COM port number"},
        {{"read", "--port", "COM3"}, "--port: COM3 is not a COM port number"},
        {{"read", "--id", "248"}, "--id: 248 is not a device ID"},
        {{"read", "--format", "xml"}, "--format: xml is not table, csv or json"},
        {{"read", "--format"}, "--format needs a value"},
        {{"read", "--colour", "red"}, "unknown option --colour"},
        {{"read", "--id", "1", "--id=2"}, "--id is given twice"},
        {{"read", "extra"}, "unexpected argument extra"},
        {{"watch", "--for", "10s"}, "--every SECONDS is required"},
        {{"watch", "--every", "0"}, "--every: 0 is not a number of seconds above 0"},
        {{"watch", "--every", "-1"}, "--every: -1 is not a number of seconds"},
        {{"watch", "--every", "1", "--for", "10x"}, "--for: 10x is not a duration"},
        {{"watch", "--every", "1", "--registers", "0003H,0099H"}, "--registers: 0003H,0099H"},
        {{"watch", "--every", "1", "--registers", "0003H,"}, "--registers: 0003H,"},
        {{"plot", "run.csv"}, "-o FILE.png or -o FILE.svg is required"},
        {{"plot", "run.csv", "-o", "run.jpg"}, "-o FILE.png or -o FILE.svg is required"},
        {{"plot", "-o", "run.png"}, "give one logged FILE.csv"},
        {{"plot", "/dev/zero", "-o", "run.png"}, "/dev/zero is not a regular file"},
        {{"plot", fifo, "-o", "run.png"}, "is not a regular file (it is a pipe (FIFO))"},
        {{"plot", Home().string(), "-o", "run.png"}, "is not a regular file (it is a folder)"},
        {{"plot", "run.csv", "-o", "a.png", "--output", "b.png"}, "--output is given twice"},
        {{"ports", "COM1"}, "unexpected argument COM1"},
    };
    for (const Case& c : cases) {
        const CompanionRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(c.arguments);
        EXPECT_THAT(run.err, HasSubstr(c.message)) << testing::PrintToString(c.arguments);
    }
    EXPECT_EQ(Received("06"), 0u);
    EXPECT_EQ(Received("03"), 0u);
    EXPECT_EQ(Get(0x09), 1000);
}

TEST_F(CompanionTest, EverySubCommandHasItsHelp) {
    for (const std::string command : {"ports", "read", "watch", "write", "plot"}) {
        const CompanionRun run = Run({command, "--help"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_THAT(run.out, HasSubstr("usage: tavr-12864-cli " + command));
    }
    EXPECT_THAT(Run({"--help"}).out, HasSubstr("Exit codes: 0 done"));
    EXPECT_THAT(Run({"write", "--help"}).out,
                HasSubstr("001BH (output mode) 0 (HEX) or 1 (TXT) takes the meter out of Modbus"));
    const CompanionRun version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_THAT(version.out, testing::MatchesRegex("tavr-12864-cli [0-9]+\\.[0-9]+\\.[0-9]+\n"));
}

// How a read ends for each behaviour of the meter and the port.
TEST_F(CompanionTest, ReadEndsWithTheExitCodeOfWhatTheMeterDid) {
    struct Case {
        std::string fault;
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"none", {}, 0, ""},
        {"silent", {}, 1, "no valid answer after 3 requests (3 unanswered, 0 garbled)"},
        {"bad-crc", {}, 1, "no valid answer after 3 requests (0 unanswered, 3 garbled)"},
        {"short 40", {}, 1, "(0 unanswered, 3 garbled)"},
        {"none", {"--id", "9"}, 1, "device 9 on COM7 (/dev/pts/"},
        {"hangup 100", {}, 1, "the device hung up"},
    };
    for (const Case& c : cases) {
        Control("fault " + c.fault);
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--baud", "115200"});
        const CompanionRun run = RunOnMeter("read", arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.fault << "\n" << run.err;
        EXPECT_THAT(run.err, HasSubstr(c.message)) << c.fault;
        if (c.fault.starts_with("hangup")) {
            ASSERT_TRUE(Simulator().WaitForLine("ready ").has_value());
        }
    }
}

TEST_F(CompanionTest, APortThatCannotBeOpenedNamesThePortTheDeviceAndTheReason) {
    std::filesystem::create_symlink("/dev/tavr-no-such-adapter", Folder() / "dosdevices" / "com8");
    struct Case {
        std::string port;
        std::string message;
    };
    std::filesystem::create_symlink("/dev/null", Folder() / "dosdevices" / "com9");
    PutFile(Home() / "plain", "");
    std::filesystem::create_symlink("/dev/null", Home() / "by-id-adapter");
    const Case cases[] = {
        {"8", "cannot open COM8 (/dev/tavr-no-such-adapter): no device"},
        {"9", "cannot open COM9 (/dev/null): not a serial device"},
        {"250", "cannot open COM250: no device"},
        {"/dev/tavr-no-such-adapter", "cannot open /dev/tavr-no-such-adapter: no device"},
        {"/dev/null", "cannot open /dev/null: not a serial device"},
        {(Home() / "by-id-adapter").string(), "by-id-adapter (/dev/null): not a serial device"},
        {(Home() / "plain").string(), "plain: not a character device"},
    };
    for (const Case& c : cases) {
        for (const std::string command : {"read", "write"}) {
            const CompanionRun run = command == "read"
                                         ? Run({"read", "--port", c.port})
                                         : Run({"write", "--port", c.port, "0009H", "1"});
            EXPECT_EQ(run.exitCode, 3) << command;
            EXPECT_THAT(run.err, HasSubstr(c.message)) << command;
        }
    }
    const CompanionRun ports = Run({"ports"});
    EXPECT_THAT(ports.out, HasSubstr("COM8 (/dev/tavr-no-such-adapter): no device"));
    EXPECT_THAT(ports.out, HasSubstr("COM9 (/dev/null): not a serial device"));
    EXPECT_THAT(ports.out, testing::ContainsRegex("COM7 \\(/dev/pts/[0-9]+\\): may be opened"));
}

TEST_F(CompanionTest, ReadDefaultsToTheWindowsLastConnection) {
    // The window stored COM7 (index 6), 115200 baud (index 6) and device ID 1 (index 0).
    ASSERT_TRUE(
        WriteRegistry(RegistryRoot::CurrentUser, "Software\\TAVR_12864\\Modbus_com", Text("6")));
    ASSERT_TRUE(
        WriteRegistry(RegistryRoot::CurrentUser, "Software\\TAVR_12864\\Modbus_btl", Text("6")));
    ASSERT_TRUE(
        WriteRegistry(RegistryRoot::CurrentUser, "Software\\TAVR_12864\\Modbus_id", Text("0")));
    const CompanionRun run = Run({"read"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(lines[0], "10进制结果  所对应数值  16进制结果  数据地址位  数据备注项");
    EXPECT_EQ(lines[4],
              "12345       12.345V     0x30 0x39   0x0003      "
              "地址:0003H 当前电压值50V以内3位小数，超过50V切换为2位小数");
}

TEST_F(CompanionTest, CsvAndJsonAddTheRawValueTheNumberAndTheUnit) {
    const CompanionRun csv = RunOnMeter("read", {"--format", "csv"});
    ASSERT_EQ(csv.exitCode, 0) << csv.err;
    const std::vector<std::string> rows = Lines(csv.out);
    ASSERT_EQ(rows.size(), 36u);
    EXPECT_EQ(rows[0], "address,raw,decimal,value,hex,address text,remark,number,unit");
    EXPECT_EQ(rows[4],
              "0003H,12345,12345,12.345V,0x30 0x39,0x0003,"
              "地址:0003H 当前电压值50V以内3位小数，超过50V切换为2位小数,12.345,V");
    const CompanionRun json = RunOnMeter("read", {"--format", "json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const nlohmann::json reading = nlohmann::json::parse(json.out);
    EXPECT_EQ(reading["port"], "COM7");
    EXPECT_EQ(reading["device"], 1);
    EXPECT_TRUE(ParseTimestamp(reading["time"].get<std::string>()).has_value());
    ASSERT_EQ(reading["registers"].size(), 35u);
    EXPECT_EQ(reading["registers"][3],
              nlohmann::json::parse(R"({"address": "0003H", "raw": 12345, "decimal": "12345",
                  "value": "12.345V", "hex": "0x30 0x39", "addressText": "0x0003",
                  "remark": "地址:0003H 当前电压值50V以内3位小数，超过50V切换为2位小数",
                  "number": 12.345, "unit": "V"})"));
    EXPECT_EQ(reading["registers"][0]["number"], 1);

    // The same port given by its device's path.
    const std::string device = std::filesystem::read_symlink(Folder() / "dosdevices" / "com7");
    const CompanionRun byPath = Run({"read", "--port", device, "--format", "json"});
    ASSERT_EQ(byPath.exitCode, 0) << byPath.err;
    EXPECT_EQ(nlohmann::json::parse(byPath.out)["port"], device);
}

// Several meters on the line are read one after another; one that does not answer is named,
// the others' readings are still printed, and the exit code says that one failed.
TEST_F(CompanionTest, ReadWithSeveralIdsPrintsABlockPerMeterAndTheSilentOnesError) {
    const std::vector<std::string> ids = {"--id",      "1,9", "--timeout", "300",
                                          "--retries", "0",   "--baud",    "115200"};
    std::vector<std::string> arguments = ids;
    arguments.insert(arguments.end(), {"--format", "json"});
    const CompanionRun json = RunOnMeter("read", arguments);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_THAT(json.err, HasSubstr("device 9 on COM7"));
    const nlohmann::json meters = nlohmann::json::parse(json.out);
    EXPECT_EQ(meters["port"], "COM7");
    ASSERT_EQ(meters["meters"].size(), 2u);
    EXPECT_EQ(meters["meters"][0]["device"], 1);
    EXPECT_EQ(meters["meters"][0]["registers"][3]["number"], 12.345);
    EXPECT_EQ(meters["meters"][1]["device"], 9);
    EXPECT_EQ(meters["meters"][1]["error"],
              "no valid answer after 1 request (1 unanswered, 0 garbled)");
    EXPECT_FALSE(meters["meters"][1].contains("registers"));

    arguments = ids;
    arguments.insert(arguments.end(), {"--format", "csv"});
    const std::vector<std::string> rows = Lines(RunOnMeter("read", arguments).out);
    ASSERT_EQ(rows.size(), 36u);
    EXPECT_EQ(rows[0], "device,address,raw,decimal,value,hex,address text,remark,number,unit");
    EXPECT_THAT(rows[4], testing::StartsWith("1,0003H,12345,12345,12.345V,"));

    const std::vector<std::string> table = Lines(RunOnMeter("read", ids).out);
    ASSERT_EQ(table.size(), 37u);
    EXPECT_EQ(table[0], "device 1");
    EXPECT_THAT(table[1], testing::StartsWith("10进制结果"));
    EXPECT_EQ(Received("03"), 6u);
}

TEST_F(CompanionTest, WriteStoresTheRawValueAndPrintsTheRowReadBack) {
    const CompanionRun run = RunOnMeter("write", {"0x09", "7000"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Get(0x09), 7000);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[1], HasSubstr("07000"));
    EXPECT_THAT(lines[1], HasSubstr("700.0Ah"));
    EXPECT_THAT(lines[1], HasSubstr("地址:0009H 电池预设标称容量"));
}

TEST_F(CompanionTest, WritingTheDeviceAddressReadsBackFromTheNewAddressAndRemembersIt) {
    const CompanionRun run = RunOnMeter("write", {"0000H", "5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("device address changed from 1 to 5"));
    EXPECT_EQ(Lines(run.out).size(), 2u);
    EXPECT_THAT(run.out, HasSubstr("00005"));
    EXPECT_EQ(ReadRegistryText(RegistryRoot::CurrentUser, "Software\\TAVR_12864\\Modbus_id"), "4");
    EXPECT_EQ(RunOnMeter("read").exitCode, 0);
}

TEST_F(CompanionTest, AWriteWithoutAnEchoOrRefusedIsReportedAsNoAnswer) {
    Control("fault silent");
    const CompanionRun silent = RunOnMeter("write", {"0009H", "7000", "--baud", "115200"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_THAT(silent.err, HasSubstr("no answer to the write of 0009H"));
    Control("fault bad-crc");
    const CompanionRun garbled = RunOnMeter("write", {"0009H", "7000", "--baud", "115200"});
    EXPECT_EQ(garbled.exitCode, 1);
    EXPECT_THAT(garbled.err, HasSubstr("a garbled answer to the write of 0009H"));
}

// A live meter overwrites its measurements: a write of 0003H is echoed but does not take, and
// that is said with exit code 1. An output mode that leaves Modbus is written only with --force.
TEST_F(CompanionTest, AWriteThatDidNotTakeIsReportedAndForceWritesAnOutputMode) {
    SimulatorProcess live(TAVR_METER_SIM_PATH, Home(), {"--com", "8"});
    ASSERT_TRUE(live.Started());
    ASSERT_TRUE(live.WaitForLine("ready ").has_value());
    const CompanionRun run = Run({"write", "--port", "8", "0003H", "100"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, testing::ContainsRegex(
                             "device 1 on COM8 \\(/dev/pts/[0-9]+\\) at 2400 baud: 0003H reads "
                             "back as [0-9]+, not the 100 written: the meter did not keep"));
    EXPECT_EQ(Lines(run.out).size(), 2u);

    const CompanionRun forced = RunOnMeter("write", {"--force", "001BH", "1"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(Get(0x1B), 1);
}

class WatchTest : public CompanionTest {
  protected:
    std::filesystem::path LogFile() const { return Home() / "run.csv"; }
};

const std::string kMeasurementHeader =
    "time,0003H V,0004H A,0005H ℃,0006H ℃,0007H Ah,0008H Wh,"
    "000BH %,001EH V";

// Every row of a run of the frozen meter: a timestamp, then the same numbers.
void ExpectSteadyRows(const std::vector<std::string>& rows) {
    ASSERT_FALSE(rows.empty());
    const std::string values = rows[0].substr(rows[0].find(','));
    for (const std::string& row : rows) {
        const std::string time = row.substr(0, row.find(','));
        EXPECT_THAT(time, testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:"
                                                "[0-9]{2}\\.[0-9]{3}[+-][0-9]{2}:[0-9]{2}"));
        EXPECT_TRUE(ParseTimestamp(time).has_value()) << row;
        EXPECT_EQ(row.substr(row.find(',')), values);
    }
}

TEST_F(WatchTest, AppendsToAnExistingLogAfterRemovingARowCutOffByAKill) {
    const std::string whole =
        kMeasurementHeader + "\n2026-01-01T10:00:00.000+08:00,1,2,3,4,5,6,7,8\n";
    PutFile(LogFile(), whole + "2026-01-01T10:00:01.000+08:00,1,2,3,4,5,6,7,8.1");
    const CompanionRun run =
        RunOnMeter("watch", {"--every", "0.2", "--for", "1s", "--output", LogFile().string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("removed the incomplete last row of " + LogFile().string() +
                                   " (cut off while it was written): "
                                   "2026-01-01T10:00:01.000+08:00,1,2,3,4,5,6,7,8.1\n"));
    const std::string after = FileText(LogFile());
    ASSERT_EQ(after.substr(0, whole.size()), whole);
    const std::vector<std::string> rows = Lines(after.substr(whole.size()));
    EXPECT_GE(rows.size(), 3u);
    ExpectSteadyRows(rows);
    EXPECT_EQ(rows[0].substr(rows[0].find(',')), ",12.345,15.000,25.0,-5.0,75.0,1234,75.00,54.00");
    EXPECT_THAT(run.err, HasSubstr("watch ended: " + std::to_string(rows.size()) +
                                   " readings, 0 dropped, 0 time-outs, 0 reconnects"));

    // A header without its line break is completed, not doubled.
    PutFile(LogFile(), kMeasurementHeader);
    ASSERT_EQ(
        RunOnMeter("watch", {"--every", "0.2", "--for", "0.3s", "--output", LogFile().string()})
            .exitCode,
        0);
    const std::vector<std::string> lines = Lines(FileText(LogFile()));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], kMeasurementHeader);
    ExpectSteadyRows({lines.begin() + 1, lines.end()});
}

// Several meters on one line: every row names its meter, the silent meter costs only its own
// time-outs and is counted on its own, and a cycle longer than the period is warned of once.
TEST_F(WatchTest, SeveralMetersGetADeviceColumnAndTheirOwnCounts) {
    const CompanionRun run =
        RunOnMeter("watch", {"--every", "0.1", "--for", "1.5s", "--id", "1,9", "--timeout", "300",
                             "--baud", "115200", "--output", LogFile().string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(FileText(LogFile()));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "time," + std::string("device") + kMeasurementHeader.substr(4));
    std::vector<std::string> rows;
    for (std::size_t k = 1; k < lines.size(); ++k) {
        const std::size_t time = lines[k].find(',');
        EXPECT_EQ(lines[k].substr(time, 3), ",1,") << lines[k];
        rows.push_back(lines[k].substr(0, time) + lines[k].substr(time + 2));
    }
    ExpectSteadyRows(rows);
    // Counts per meter: device 1's readings are the rows; the silent device 9 has none, only
    // time-outs (on a loaded machine a late answer may count as dropped instead).
    int counts[6] = {};
    const std::size_t summary = run.err.find("watch ended: ");
    ASSERT_NE(summary, std::string::npos) << run.err;
    ASSERT_EQ(std::sscanf(run.err.c_str() + summary,
                          "watch ended: device 1: %d readings, %d dropped, %d time-outs; device 9: "
                          "%d readings, %d dropped, %d time-outs; 0 reconnects",
                          &counts[0], &counts[1], &counts[2], &counts[3], &counts[4], &counts[5]),
              6)
        << run.err;
    EXPECT_EQ(counts[0], static_cast<int>(rows.size()));
    EXPECT_EQ(counts[3], 0);
    EXPECT_GE(counts[5], 1);
    EXPECT_EQ(counts[4] + counts[5], counts[0] + counts[1] + counts[2]) << "one request each";
    const std::string warning = "longer than --every 0.1 s; cycles now run back to back";
    EXPECT_THAT(run.err, HasSubstr(warning));
    EXPECT_EQ(run.err.find(warning), run.err.rfind(warning));
}

TEST_F(WatchTest, RefusesALogOfOtherRegistersAndLeavesItAlone) {
    const std::string before = "time,0003H V\n2026-01-01T10:00:00.000Z,1.000\n";
    PutFile(LogFile(), before);
    const CompanionRun run =
        RunOnMeter("watch", {"--every", "1", "--for", "1s", "--output", LogFile().string()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.err, HasSubstr("holds a log of other registers"));
    EXPECT_EQ(FileText(LogFile()), before);
    // Only the start of a file is read to find its header.
    const std::string endless(1 << 20, 'x');
    PutFile(LogFile(), endless);
    const CompanionRun huge =
        RunOnMeter("watch", {"--every", "1", "--for", "1s", "--output", LogFile().string()});
    EXPECT_EQ(huge.exitCode, 2);
    EXPECT_THAT(huge.err, HasSubstr("its first line is longer than 65536 bytes"));
    EXPECT_EQ(FileText(LogFile()), endless);
}

TEST_F(WatchTest, WritesTheChosenRegistersToStandardOutputAndItsStatusToTheTerminal) {
    const CompanionRun run = RunOnMeter(
        "watch", {"--every", "0.2", "--for", "0.5s", "--registers", "0014H,4,0x22"}, true);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "time,0014H 秒,0004H A,0022H 次");
    ExpectSteadyRows({lines.begin() + 1, lines.end()});
    EXPECT_THAT(run.err, HasSubstr("\r\x1b[K1 readings, 0 dropped, 0 time-outs, 0 reconnects · "));
    EXPECT_THAT(run.err, HasSubstr("15.000A"));
    EXPECT_THAT(run.err, HasSubstr("\r\x1b[Kwatch ended: "));
}

// The meter misbehaves in turn while watch runs: garbled answers are dropped and counted,
// unanswered requests are counted, a hang-up is followed by a reconnection, and every row
// written holds the meter's true values.
TEST_F(WatchTest, KeepsGoingThroughGarbledAndLostAnswersAndAHangUp) {
    std::thread faults([this] {
        const auto pause = [](int ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
        pause(600);
        Control("fault bad-crc");
        pause(600);
        Control("fault silent");
        pause(1500);
        Control("fault none");
        pause(600);
        Control("hangup 300");
    });
    const CompanionRun run = RunOnMeter("watch", {"--every", "0.2", "--for", "6s", "--baud",
                                                  "115200", "--output", LogFile().string()});
    faults.join();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(FileText(LogFile()));
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], kMeasurementHeader);
    ExpectSteadyRows({lines.begin() + 1, lines.end()});
    const std::size_t summary = run.err.find("watch ended: ");
    ASSERT_NE(summary, std::string::npos) << run.err;
    std::size_t readings = 0;
    int dropped = 0;
    int timeouts = 0;
    int reconnects = 0;
    ASSERT_EQ(std::sscanf(run.err.c_str() + summary,
                          "watch ended: %zu readings, %d dropped, %d time-outs, %d reconnects",
                          &readings, &dropped, &timeouts, &reconnects),
              4);
    EXPECT_EQ(readings, lines.size() - 1);
    EXPECT_GE(dropped, 1);
    EXPECT_GE(timeouts, 1);
    EXPECT_EQ(reconnects, 1);
}

// The real program: while it watches, `ports` names it as the holder of the port; Ctrl+C,
// SIGTERM and SIGHUP end it with its summary and exit code 0.
TEST_F(WatchTest, CtrlCEndsWithASummaryAndPortsNamesTheHolderMeanwhile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SimulatorProcess watch(
            "/bin/sh", Home(),
            {"-c", "exec \"$0\" watch --every 0.2 --port 7 2>&1", TAVR_CLI_PATH});
        ASSERT_TRUE(watch.Started());
        ASSERT_TRUE(watch.WaitForLine(kMeasurementHeader).has_value());
        ASSERT_TRUE(watch.WaitForLine(",12.345,").has_value());
        const CompanionRun ports = Run({"ports"});
        EXPECT_EQ(ports.exitCode, 0);
        EXPECT_THAT(ports.out, HasSubstr("COM7 (/dev/pts/"));
        EXPECT_THAT(ports.out,
                    HasSubstr("in use by another program (held by tavr-12864-cli, process " +
                              std::to_string(watch.Pid()) + ")"));
        watch.Signal(signal);
        EXPECT_TRUE(watch.WaitForLine("watch ended: ").has_value()) << signal;
        EXPECT_EQ(watch.WaitForExit(), 0) << signal;
        EXPECT_THAT(Run({"ports"}).out,
                    testing::ContainsRegex("COM7 \\(/dev/pts/[0-9]+\\): may be opened"));
    }
}

// While the port is gone and watch waits to reopen it, Ctrl+C ends it at once, and so does the
// end of --for: long before the line comes back.
TEST_F(WatchTest, AReconnectionEndsOnCtrlCAndAtTheEndOfFor) {
    struct Case {
        const char* name;
        std::string options;
        bool interrupt;
    };
    const Case cases[] = {
        {"Ctrl+C", "", true},
        {"--for", " --for 3s", false},
    };
    for (const Case& c : cases) {
        SimulatorProcess watch(
            "/bin/sh", Home(),
            {"-c", "exec \"$0\" watch --every 0.2 --port 7 --baud 115200" + c.options + " 2>&1",
             TAVR_CLI_PATH},
            std::chrono::seconds(8));
        ASSERT_TRUE(watch.Started()) << c.name;
        ASSERT_TRUE(watch.WaitForLine(",12.345,").has_value()) << c.name;
        Control("hangup 60000");
        if (c.interrupt) {
            // Reopening is tried after 0.25, 0.75 and 1.75 s; the signal comes in the wait after.
            std::this_thread::sleep_for(std::chrono::seconds(2));
            watch.Signal(SIGINT);
        }
        const std::optional<std::string> summary = watch.WaitForLine("watch ended: ");
        ASSERT_TRUE(summary.has_value()) << c.name;
        EXPECT_THAT(*summary, HasSubstr("0 reconnects")) << c.name;
        EXPECT_EQ(watch.WaitForExit(), 0) << c.name;
        Control("hangup 0");
    }
}

// Output that cannot be written is never reported as success: the system's reason is printed
// and the exit code is 5, whether standard output is full or closed.
TEST_F(WatchTest, OutputThatCannotBeWrittenGivesTheReasonAndExitCode5) {
    struct Case {
        std::string command;
        std::string message;
        int exitCode = 5;
    };
    const Case cases[] = {
        // Standard output is a pipe here: refused before the port is opened, never read.
        {"watch --port 7 --every 1 --output /dev/stdout",
         "/dev/stdout as the log: it is a pipe (FIFO)", 2},
        {"read --port 7 >/dev/full", "cannot write standard output: No space left on device"},
        {"read --port 7 --format json >/dev/full", "No space left on device"},
        {"read --port 7 >&-", "cannot write standard output: Bad file descriptor"},
        {"ports >/dev/full", "cannot write standard output: No space left on device"},
        {"write --port 7 0009H 7000 >/dev/full", "No space left on device"},
        {"watch --port 7 --every 0.2 --for 1s >/dev/full",
         "watch: cannot write standard output: No space left on device"},
    };
    for (const Case& c : cases) {
        SimulatorProcess run("/bin/sh", Home(),
                             {"-c", "exec 2>&1; exec \"$0\" " + c.command, TAVR_CLI_PATH});
        ASSERT_TRUE(run.Started());
        EXPECT_TRUE(run.WaitForLine(c.message).has_value()) << c.command;
        EXPECT_EQ(run.WaitForExit(), c.exitCode) << c.command;
    }
}

// The log's disk fills up (a file size limit here): the row being written is cut off again,
// the reason is given, and the summary counts exactly the rows in the log.
TEST_F(WatchTest, AFullDiskStopsWatchWithWholeRowsAndATrueCount) {
    SimulatorProcess watch(
        "/bin/sh", Home(),
        {"-c",
         "trap '' XFSZ; ulimit -f 2; exec 2>&1; exec \"$0\" watch --port 7 --baud 115200 "
         "--every 0.05 --for 20s --output \"$1\"",
         TAVR_CLI_PATH, LogFile().string()});
    ASSERT_TRUE(watch.Started());
    ASSERT_TRUE(
        watch.WaitForLine("cannot write " + LogFile().string() + ": File too large").has_value());
    const std::optional<std::string> summary = watch.WaitForLine("watch ended: ");
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(watch.WaitForExit(), 5);
    const std::string log = FileText(LogFile());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), '\n');
    const std::vector<std::string> lines = Lines(log);
    ExpectSteadyRows({lines.begin() + 1, lines.end()});
    EXPECT_THAT(*summary, testing::StartsWith("watch ended: " + std::to_string(lines.size() - 1) +
                                              " readings, "));
}

TEST_F(WatchTest, PlotDrawsALoggedRunAsPngOrSvg) {
    ASSERT_EQ(
        RunOnMeter("watch", {"--every", "0.2", "--for", "0.7s", "--output", LogFile().string()})
            .exitCode,
        0);
    const std::filesystem::path png = Home() / "run.png";
    const CompanionRun drawn = Run({"plot", LogFile().string(), "-o", png.string()});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
    EXPECT_EQ(drawn.err, "");
    const QImage image(QString::fromStdString(png.string()));
    std::string error;
    const PlotDescription plot = DescribeRunPlot(*ReadLoggedRun(LogFile().string(), error));
    EXPECT_EQ(plot.panels.size(), 6u);  // both second channels are drawn
    EXPECT_EQ(image.size(), QSize(static_cast<int>(plot.width), static_cast<int>(plot.height)));
    const std::filesystem::path svg = Home() / "run.svg";
    ASSERT_EQ(Run({"plot", LogFile().string(), "-o", svg.string()}).exitCode, 0);
    const std::string picture = FileText(svg);
    EXPECT_THAT(picture, HasSubstr("<svg"));
    for (const std::string title :
         {"Voltage (V)", "Current (A)", "Remaining capacity (Ah)", "Temperature (℃)",
          "Second temperature (℃)", "Second voltage (V)", "Logged run, started 20"}) {
        EXPECT_THAT(picture, HasSubstr(title));
    }

    // A full disk: the picture is not written, and the system's reason is given.
    for (const std::string name : {"full.png", "full.svg"}) {
        std::filesystem::create_symlink("/dev/full", Home() / name);
        const CompanionRun full = Run({"plot", LogFile().string(), "-o", (Home() / name).string()});
        EXPECT_EQ(full.exitCode, 2);
        EXPECT_THAT(full.err, HasSubstr("cannot write " + (Home() / name).string() +
                                        ": No space left on device"));
    }

    PutFile(Home() / "other.csv", "voltage\n12\n");
    const CompanionRun other = Run({"plot", (Home() / "other.csv").string(), "-o", png.string()});
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_THAT(other.err, HasSubstr("is not a log written by watch"));
    PutFile(Home() / "cycles.csv", "time,0022H 次\n2026-01-01T10:00:00.000Z,3\n");
    const CompanionRun nothing =
        Run({"plot", (Home() / "cycles.csv").string(), "-o", png.string()});
    EXPECT_EQ(nothing.exitCode, 2);
    EXPECT_THAT(nothing.err, HasSubstr("holds no readings of 0003H, 0004H, 0007H, 0005H"));
}

// Whether the picture shows `colour` (give or take antialiasing) within `reach` pixels of a point.
bool ShowsColour(const QImage& image, PlotPoint at, PlotColour colour, int reach = 1) {
    for (int dx = -reach; dx <= reach; ++dx) {
        for (int dy = -reach; dy <= reach; ++dy) {
            const QColor pixel =
                image.pixelColor(static_cast<int>(at.x) + dx, static_cast<int>(at.y) + dy);
            if (std::abs(pixel.red() - colour.red) + std::abs(pixel.green() - colour.green) +
                    std::abs(pixel.blue() - colour.blue) <
                60) {
                return true;
            }
        }
    }
    return false;
}

// Logs as plot finds them: cut off by a kill, with unreadable rows, with gaps, of several
// meters. Each is drawn (skipping what cannot be read, with a message) and the PNG shows every
// line of its description, and nothing across a gap.
TEST_F(WatchTest, PlotDrawsWhatTheLogHoldsAndSaysWhatItSkipped) {
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> messages;
        std::size_t devices;
        std::size_t segments;  // of the first device's current
    };
    const std::string header = "time,0003H V,0004H A\n";
    const std::string multiHeader = "time,device,0003H V,0004H A\n";
    const Case cases[] = {
        {"last row cut off by a kill",
         header + "2026-12-07T23:45:26.000+01:00,12.3,15.0\n"
                  "2026-12-07T23:45:27.000+01:00,12.4,15.1\n"
                  "2026-12-07T23:45:28.000+01:00,12.3,15.0\n"
                  "2026-12-07T23:45:29.000+01:00,12.3,1",
         {"skipped line 5 of", "cut off: the log ends inside it"},
         1,
         1},
        {"unreadable rows",
         header + "2026-12-07T23:45:26.000+01:00,12.3,15.0\n"
                  "yesterday,12.4,15.1\n"
                  "2026-12-07T23:45:27.000+01:00,12.4,abc\n"
                  "2026-12-07T23:45:28.000+01:00,12.4,inf\n"
                  "2026-12-07T23:45:29.000+01:00,12.4\n"
                  "2026-12-07T23:45:30.000+01:00,12.3,15.0\n"
                  "\n"
                  "2026-12-07T23:45:31.000+01:00,,\n"
                  "2026-12-07T23:45:32.000+01:00,12.3,15.0,\n"
                  "2026-12-07T23:45:33.000+01:00,12.3,15.0\n",
         {"skipped line 3 of", "\"yesterday\" is not a time", "skipped line 4 of",
          "\"abc\" is not a number", "\"inf\" is not a number", "skipped line 6 of",
          "holds 2 of the header's 3 cells", "skipped line 8 of",
          "skipped 1 more unreadable lines of"},
         1,
         2},  // the empty cells break the line; a lone reading follows
        {"a step across a gap",
         header + "2026-12-07T23:45:26.000+01:00,12.3,15.0\n"
                  "2026-12-07T23:45:27.000+01:00,12.3,15.0\n"
                  "2026-12-07T23:45:28.000+01:00,12.3,15.0\n"
                  "2026-12-07T23:45:43.000+01:00,12.7,-20.0\n"
                  "2026-12-07T23:45:44.000+01:00,12.7,-20.0\n"
                  "2026-12-07T23:45:45.000+01:00,12.7,-20.0\n",
         {},
         1,
         2},
        {"several meters",
         multiHeader + "2026-12-07T23:45:26.000+01:00,1,12.3,15.0\n"
                       "2026-12-07T23:45:26.100+01:00,3,24.1,-5.0\n"
                       "2026-12-07T23:45:27.000+01:00,1,12.4,15.1\n"
                       "2026-12-07T23:45:27.100+01:00,3,24.2,-5.1\n"
                       "2026-12-07T23:45:28.000+01:00,0,12.4,15.1\n"
                       "2026-12-07T23:45:28.000+01:00,1,12.3,15.0\n"
                       "2026-12-07T23:45:28.100+01:00,3,24.3,-5.2\n",
         {"skipped line 6 of", "\"0\" is not a device ID"},
         2,
         1},
    };
    for (const Case& c : cases) {
        PutFile(LogFile(), c.log);
        const std::filesystem::path png = Home() / "run.png";
        std::filesystem::remove(png);
        const CompanionRun drawn = Run({"plot", LogFile().string(), "-o", png.string()});
        ASSERT_EQ(drawn.exitCode, 0) << c.name << "\n" << drawn.err;
        for (const std::string& message : c.messages) {
            EXPECT_THAT(drawn.err, HasSubstr(message)) << c.name;
        }
        if (c.messages.empty()) {
            EXPECT_EQ(drawn.err, "") << c.name;
        }
        std::string error;
        const std::optional<LoggedRun> run = ReadLoggedRun(LogFile().string(), error);
        ASSERT_TRUE(run.has_value()) << error;
        ASSERT_EQ(run->devices.size(), c.devices) << c.name;
        const PlotDescription plot = DescribeRunPlot(*run);
        ASSERT_EQ(plot.panels.size(), 2u) << c.name;
        EXPECT_EQ(plot.panels[1].series[0].segments.size(), c.segments) << c.name;
        const QImage image(QString::fromStdString(png.string()));
        ASSERT_EQ(image.size(), QSize(static_cast<int>(plot.width), static_cast<int>(plot.height)));
        for (const PlotPanel& panel : plot.panels) {
            for (const PlotSeries& series : panel.series) {
                for (const auto& segment : series.segments) {
                    const PlotPoint& next = segment[segment.size() > 1 ? 1 : 0];
                    const PlotPoint middle = {(segment.front().x + next.x) / 2,
                                              (segment.front().y + next.y) / 2};
                    EXPECT_TRUE(ShowsColour(image, middle, series.colour))
                        << c.name << " " << series.name << " " << panel.values.title.text;
                }
                // Nothing of the line in the middle of a gap.
                for (std::size_t k = 1; k < series.segments.size(); ++k) {
                    const double x =
                        (series.segments[k - 1].back().x + series.segments[k].front().x) / 2;
                    for (double y = panel.area.top + 2; y < panel.area.Bottom() - 2; y += 1) {
                        EXPECT_FALSE(ShowsColour(image, {x, y}, series.colour, 0))
                            << c.name << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

// Under cron or ssh there is no runtime folder and maybe a stray platform setting: the plot is
// drawn all the same, with nothing on standard error.
TEST_F(WatchTest, PlotSaysNothingAboutQtUnderCronOrSsh) {
    PutFile(LogFile(),
            "time,0003H V\n2026-12-07T23:45:26.000Z,12.3\n2026-12-07T23:45:27.000Z,12.4\n");
    const std::filesystem::path png = Home() / "run.png";
    const std::filesystem::path output = Home() / "output.txt";
    const std::string command =
        "env -u XDG_RUNTIME_DIR -u DISPLAY -u WAYLAND_DISPLAY "
        "QT_QPA_PLATFORM=xcb '" TAVR_CLI_PATH "' plot '" +
        LogFile().string() + "' -o '" + png.string() + "' >'" + output.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << FileText(output);
    EXPECT_EQ(FileText(output), "");
    EXPECT_TRUE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace tavr
