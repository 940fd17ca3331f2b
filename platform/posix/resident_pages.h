// Large buffers that are about to be filled, made resident in one step.
// On a virtual machine the first touch of each page can cost microseconds (the page fault leaves
// the guest): filling a buffer of a few megabytes page by page then costs more than the copying
// itself. Asking for the pages at once costs a fraction of that.
#pragma once

#include <cstddef>

namespace platform {

// Makes the whole pages inside [data, data + size) resident and writable. Best effort: where the
// system cannot, the pages come as they are first touched, as without it.
void MakeResident(void* data, std::size_t size);

}  // namespace platform
