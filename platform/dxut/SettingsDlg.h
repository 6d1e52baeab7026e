#pragma once
// The device settings dialog: inactive until something activates it; while active it
// shows the current device settings as text over the frame.

#include "platform/d3d11/D3D11.h"

class CDXUTDialogResourceManager;

class CD3DSettingsDlg {
public:
    // Binds the dialog to the manager whose text resources it draws with.
    void Init(CDXUTDialogResourceManager* manager);
    bool IsActive() const { return active_; }
    void SetActive(bool active) { active_ = active; }
    // Escape closes an active dialog; 0 in every case, so others see the message too.
    LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Draws the dialog when it is active.
    HRESULT OnRender(float elapsedTime);
    // The dialog covers the back buffer from (0, 0).
    HRESULT OnD3D11ResizedSwapChain(ID3D11Device* device, const DXGI_SURFACE_DESC* backBuffer);

    CDXUTDialogResourceManager* Manager() const { return manager_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    CDXUTDialogResourceManager* manager_ = nullptr;
    bool active_ = false;
    int width_ = 0;
    int height_ = 0;
};
