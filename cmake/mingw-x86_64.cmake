# Cross build of the Windows program: 64-bit, from the same sources. Wine runs it with its 64-bit
# loader itself: `wine` is the 32-bit loader, which hands a 64-bit program over only after a start
# of its own (emulated where the kernel runs no 32-bit programs).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
