# Settings of the mingw-w64 builds: a self-contained executable and a Wine prefix per build tree.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Linked statically so that the program needs only the system's own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
# Users download the program before anything else, so every Windows tree compiles it for size
# (the presets' MinSizeRel) and as the deployable one: each function and datum in a section of its
# own, and the linker drops the sections that nothing refers to. The tests run on the same code.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# The same sources and constants give the same bytes, so that a deployer can rebuild a published
# program and compare: the linker would otherwise stamp the link time into the PE header (and, through
# it, into the header's checksum).
add_link_options(-Wl,--no-insert-timestamp)

set(SKYLAUNCH_WINE "wine" CACHE STRING "Wine loader that runs this build's programs")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SKYLAUNCH_WINEARCH win64)
else()
  set(SKYLAUNCH_WINEARCH win32)
endif()
set(SKYLAUNCH_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# The smallest program of the tree, for the scripts' question whether this tree's Wine starts its
# programs at all (scripts/lib/common.sh, probe_wine).
add_executable(wordsize_probe ${CMAKE_SOURCE_DIR}/tools/wordsize/WordSize.c)
set_target_properties(wordsize_probe PROPERTIES OUTPUT_NAME WordSize RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
