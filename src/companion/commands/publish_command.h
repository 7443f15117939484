#pragma once

#include <functional>
#include <string>
#include <vector>

#include "companion/platform/console.h"
#include "companion/platform/exit_status.h"
#include "companion/publish/publish_run.h"

namespace tavr {

// What runs the gateway once publish's command line is sound: RunPublish, or a test's stand-in.
using PublishRunner = std::function<ExitStatus(const PublishOptions& options, Console& console,
                                               const PublishReload& reload)>;

// publish: takes its command line (and the configuration file that --config names) apart and
// hands the options to `run`, with a reload that reads the file again under the same command
// line. BadUsage, said on `console`, when they are not sound; `run` is not called then.
ExitStatus RunPublishCommand(const std::vector<std::string>& arguments, Console& console,
                             const PublishRunner& run);

}  // namespace tavr
