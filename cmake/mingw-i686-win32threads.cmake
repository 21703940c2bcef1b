# Cross toolchain of the deployable program (preset "release"): as mingw-i686.cmake, but with the
# compilers of the win32 thread model. The program's locks and threads are the platform's own
# (src/nonvcl/runtime/Locks.h, TThread), so the C++ runtime needs threads only for itself: exception
# objects, thread-local data, the unwinder's tables. With the posix model it takes them from the
# winpthread library, linked whole at about 30 KB; with this one from a few calls of its own. A use
# of the standard library's threads or locks fails to compile here, since this model has none.
# The test trees keep the posix model, which GoogleTest needs.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
