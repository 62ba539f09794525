// An empty program. Built twice, as bench_empty and as bench_empty_sdl (linked
// with SDL, which it never calls): the difference between the two processes'
// times is what the dynamic loader spends loading SDL and what it pulls in.
int main() { return 0; }
