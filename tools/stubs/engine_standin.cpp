// Placeholder; the stand-in engine installer is written next.
int wmain() { return 0; }
