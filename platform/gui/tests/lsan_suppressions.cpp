// SDL opens a D-Bus connection whose buffers the D-Bus library keeps until
// exit; that is theirs, not a leak of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
