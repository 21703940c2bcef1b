skylaunch_add_test(manifest_binding_test
  SOURCES ManifestBindingTest.cpp ManifestJsonTest.cpp ManifestLookupTest.cpp
  LIBS manifest_core)
skylaunch_add_test(manifest_file_test WINDOWS_ONLY
  SOURCES ManifestFileTest.cpp
  LIBS manifest)
