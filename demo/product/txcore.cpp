#include "txcore.h"

TXCORE_API const wchar_t* TxCoreDescription() { return L"ядро " TARIFEX_DEMO_VERSION; }
