// A module that exports only the first names of each dial-up function set, so that binding from
// it stops at the first name it lacks. The entries are never called.
extern "C" int RasEntryNeverCalled() { return 0; }
