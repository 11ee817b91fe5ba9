// The demo product's print library, loaded on demand: packed as
// txprint_v2.dll and installed as txprint.dll.
extern "C" __declspec(dllexport) const wchar_t* TxPrintDescription() { return L"печать, вторая редакция"; }
