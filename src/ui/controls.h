// The few controls that draw themselves: the progress gauge with its
// percentage, the flat push button (also as a speed button that takes no
// focus), the transparent label, the bevelled panel and the picture box.
// Each keeps its text as the window text, so WM_GETTEXT reads what it shows.
#pragma once

#include <windows.h>

namespace tarifex {

inline constexpr wchar_t kGaugeClass[] = L"TarifexGauge";
inline constexpr wchar_t kFlatButtonClass[] = L"TarifexFlatButton";
inline constexpr wchar_t kTransparentLabelClass[] = L"TarifexLabel";
inline constexpr wchar_t kPanelClass[] = L"TarifexPanel";
inline constexpr wchar_t kPictureClass[] = L"TarifexPicture";

// Gauge messages: wParam carries the value; GET messages return it.
inline constexpr UINT kGaugeSetMax = WM_APP + 1;
inline constexpr UINT kGaugeSetProgress = WM_APP + 2;
inline constexpr UINT kGaugeGetProgress = WM_APP + 3;
inline constexpr UINT kGaugeGetMax = WM_APP + 4;

// Flat button styles (low word of the window style is ours).
inline constexpr DWORD kSpeedButton = 0x0001;  // raised face, never takes the focus
inline constexpr DWORD kHighlight = 0x0002;    // hot-tracking highlight under the mouse
inline constexpr DWORD kFolderGlyph = 0x0004;  // draws a folder picture instead of text

// Picture box: lParam of kPictureSetImage is a Gdiplus::Image* owned by the caller.
inline constexpr UINT kPictureSetImage = WM_APP + 10;


void RegisterControlClasses(HINSTANCE instance);

}  // namespace tarifex
