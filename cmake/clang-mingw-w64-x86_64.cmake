# Cross build for 64-bit Windows with clang: the mingw-w64 headers and libraries and the C++
# library of the mingw-w64 GCC with POSIX threads (Debian's g++-mingw-w64-x86-64-posix), the
# same runtime as cmake/mingw-w64-x86_64.cmake with another compiler.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)

set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   ${MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_PREFIX})

# Debian names GCC's folder "12-posix", which clang 14 does not take for a GCC version: it would
# find neither libstdc++ nor libgcc, and would search the host's /usr/include. Name them here.
file(GLOB MINGW_GCC_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${MINGW_PREFIX}/*-posix)
list(SORT MINGW_GCC_DIRS COMPARE NATURAL)
list(POP_BACK MINGW_GCC_DIRS MINGW_GCC_DIR)
if(NOT MINGW_GCC_DIR)
  message(FATAL_ERROR "No mingw-w64 GCC with POSIX threads under /usr/lib/gcc/${MINGW_PREFIX}")
endif()
# The flags go to links too, where -nostdlibinc has nothing to do.
set(no_host_includes "--start-no-unused-arguments -nostdlibinc --end-no-unused-arguments")
set(CMAKE_C_FLAGS_INIT "${no_host_includes} -idirafter /usr/${MINGW_PREFIX}/include")
set(CMAKE_CXX_FLAGS_INIT "${no_host_includes} -isystem ${MINGW_GCC_DIR}/include/c++ -isystem ${MINGW_GCC_DIR}/include/c++/${MINGW_PREFIX} -isystem ${MINGW_GCC_DIR}/include/c++/backward -idirafter /usr/${MINGW_PREFIX}/include")
# libstdc++ and libgcc of that GCC call winpthreads, which its own driver always links. LLVM's
# linker: GNU ld warns about every type name that clang and GCC lay out in sections of different
# sizes, hundreds of times per executable.
foreach(kind IN ITEMS EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-L${MINGW_GCC_DIR} -pthread -fuse-ld=lld")
endforeach()
