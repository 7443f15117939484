#include "companion/platform/local_zone.h"

#include <cstdlib>
#include <ctime>

namespace tavr {

LocalZone::LocalZone(const char* zone) {
    if (const char* saved = std::getenv("TZ")) {
        saved_ = saved;
    }
    _putenv_s("TZ", zone);
    _tzset();
}

LocalZone::~LocalZone() {
    // An empty value removes the variable.
    _putenv_s("TZ", saved_ ? saved_->c_str() : "");
    _tzset();
}

}  // namespace tavr
