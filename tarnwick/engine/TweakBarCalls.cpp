#include "tarnwick/engine/TweakBarCalls.h"

namespace qz::engine {

// The bars are kept in memory only until their drawing and event handling exist.
void InitTweakBars(ID3D11Device* /*device*/) {}
void TerminateTweakBars() {}
void TweakBarWindowSize(int /*window*/, int /*width*/, int /*height*/) {}
void DrawTweakBars() {}
int TweakBarEvent(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

}  // namespace qz::engine
