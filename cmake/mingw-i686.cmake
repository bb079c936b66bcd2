# Cross toolchain for the 32-bit Windows tree, the product's reference build.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-w64-mingw32)
# Doubles are rounded as doubles (SSE2), so geometry truncates exactly as it does natively.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
