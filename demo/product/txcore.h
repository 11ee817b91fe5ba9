// The demo product's core library, linked by TARIFEX.exe at load time.
#pragma once

#ifdef TXCORE_BUILD
#define TXCORE_API extern "C" __declspec(dllexport)
#else
#define TXCORE_API extern "C" __declspec(dllimport)
#endif

TXCORE_API const wchar_t* TxCoreDescription();
