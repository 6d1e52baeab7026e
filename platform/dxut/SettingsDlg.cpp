#include "platform/dxut/SettingsDlg.h"

#include "platform/dxut/DialogResourceManager.h"
#include "platform/dxut/Framework.h"
#include "platform/dxut/TextHelper.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <cwchar>

void CD3DSettingsDlg::Init(CDXUTDialogResourceManager* manager) { manager_ = manager; }

LRESULT CD3DSettingsDlg::MsgProc(HWND /*window*/, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    if (active_ && message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        active_ = false;
    }
    return 0;
}

HRESULT CD3DSettingsDlg::OnRender(float /*elapsedTime*/)
{
    if (!active_ || !manager_ || !manager_->GetD3D11Device()) {
        return S_OK;
    }
    CDXUTTextHelper text(manager_->GetD3D11Device(), manager_->GetD3D11DeviceContext(), manager_, 16);
    text.Begin();
    text.SetInsertionPos(16, 16);
    text.SetForegroundColor(DirectX::XMFLOAT4(1.0f, 1.0f, 1.0f, 1.0f));
    text.DrawTextLine(L"Direct3D settings (Escape or F2 closes)");
    text.DrawTextLine(DXUTGetDeviceStats());
    text.DrawTextLine(DXUTGetFrameStats(false));
    text.End();
    return S_OK;
}

HRESULT CD3DSettingsDlg::OnD3D11ResizedSwapChain(ID3D11Device* /*device*/, const DXGI_SURFACE_DESC* backBuffer)
{
    if (!backBuffer) {
        return E_INVALIDARG;
    }
    width_ = static_cast<int>(backBuffer->Width);
    height_ = static_cast<int>(backBuffer->Height);
    return S_OK;
}
