#pragma once
// The window framework in one include, as code written for it expects.

#include "platform/dxut/Callbacks.h"
#include "platform/dxut/DeviceSettings.h"
#include "platform/dxut/DialogResourceManager.h"
#include "platform/dxut/Framework.h"
#include "platform/dxut/SettingsDlg.h"
#include "platform/dxut/TextHelper.h"
#include "platform/dxut/camera/FirstPersonCamera.h"
#include "platform/win/Windows.h"
