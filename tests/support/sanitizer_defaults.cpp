// Leak-checker defaults for the test programs: SDL 2 (under sdl12-compat)
// keeps a few small allocations of its video and palette state past SDL_Quit.
// They are the library's, not ours, and would otherwise fail every test that
// opens a screen under AddressSanitizer.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libSDL2-2.0.so\n"; }
