// Placeholder; the probe program is written next.
int wmain() { return 0; }
