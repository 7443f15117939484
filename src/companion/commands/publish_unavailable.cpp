#include "companion/commands/sub_commands.h"

namespace tavr {

// The Windows build has no MQTT client library to publish with, so `publish` says so and sends
// nothing.
ExitStatus RunPublishCommand(const std::vector<std::string>& /*arguments*/, Console& console) {
    console.err << "tavr-12864-cli publish: not in the Windows build, which has no MQTT client "
                   "library; run publish on Linux\n";
    return ExitStatus::BadUsage;
}

}  // namespace tavr
