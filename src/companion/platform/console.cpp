#include "companion/platform/console.h"

#include "companion/platform/output_buffer.h"

namespace tavr {

std::string Console::OutFailure() const {
    if (outBuffer != nullptr && outBuffer->Error() != 0) {
        return outBuffer->Reason();
    }
    return "the output stream failed";
}

}  // namespace tavr
