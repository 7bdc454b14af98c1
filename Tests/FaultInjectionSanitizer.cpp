// The walks fork a child for every run. With AddressSanitizer's default
// quarantine of freed memory (256 MiB) the test process keeps growing, and
// every fork copies more of it; a small quarantine keeps the walks within
// their time. Options given in ASAN_OPTIONS still win. Without the sanitizer
// nothing asks for this.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }
