// The backend in use.
#include "platform/system/backend.h"

namespace {

std::unique_ptr<Backend> current_backend;

}  // namespace

void set_backend(std::unique_ptr<Backend> b) {
    if (current_backend) current_backend->close_window();
    current_backend = std::move(b);
}

Backend* backend() {
    return current_backend.get();
}
