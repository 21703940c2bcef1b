# Module ZaltoManifestBinding: the platform-free binding, serialisation and lookups, and the
# thin Windows part that reads and writes manifest files.
add_library(manifest_core STATIC
  ManifestBinder.cpp
  ManifestJson.cpp
  ManifestWriter.cpp
  ZaltoManifestBinding.cpp)
target_include_directories(manifest_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(manifest_core PUBLIC nonvcl_core rapidjson)

if(WIN32)
  add_library(manifest STATIC ManifestFile.cpp)
  target_link_libraries(manifest PUBLIC manifest_core nonvcl kernel32)
endif()
