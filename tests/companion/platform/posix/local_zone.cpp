#include "companion/platform/local_zone.h"

#include <cstdlib>
#include <ctime>

namespace tavr {

LocalZone::LocalZone(const char* zone) {
    if (const char* saved = std::getenv("TZ")) {
        saved_ = saved;
    }
    setenv("TZ", zone, 1);
    tzset();
}

LocalZone::~LocalZone() {
    saved_ ? setenv("TZ", saved_->c_str(), 1) : unsetenv("TZ");
    tzset();
}

}  // namespace tavr
