#pragma once
// The AntTweakBar calls the framework makes: bars, the variables on them bound directly
// to the owner's storage, buttons, and bar parameters; drawing the bars over a frame and
// handling window messages over them. Bars live in memory (platform/tweakbar/Bars.h
// shows what is on them and how they are placed; Layout.h where each row is on screen
// and what a click there does).

#include "platform/win/Types.h"

#include <string>

struct CTwBar;
using TwBar = CTwBar;

enum TwType : int {
    TW_TYPE_BOOLCPP = 1,
    TW_TYPE_INT8 = 6,
    TW_TYPE_UINT8 = 7,
    TW_TYPE_INT16 = 8,
    TW_TYPE_UINT16 = 9,
    TW_TYPE_INT32 = 10,
    TW_TYPE_UINT32 = 11,
    TW_TYPE_FLOAT = 12,
    TW_TYPE_DOUBLE = 13,
    TW_TYPE_COLOR3F = 15,
    TW_TYPE_COLOR4F = 16,
    TW_TYPE_QUAT4F = 19,
    TW_TYPE_DIR3F = 21,
};

#define TW_CALL

using TwButtonCallback = void(TW_CALL*)(void* clientData);

enum TwParamValueType : int {
    TW_PARAM_CSTRING = 3,
};

enum TwGraphAPI : int {
    TW_DIRECT3D11 = 1,
};

using TwCopyStdStringToClient = void(TW_CALL*)(std::string& destinationClientString,
                                               const std::string& sourceLibraryString);

// Starts drawing through an ID3D11Device (references it until TwTerminate). 0 for another
// API, a null device, device objects that cannot be made, or when already started.
int TwInit(TwGraphAPI graphAPI, void* device);
// Deletes every bar and lets the device go; TwInit may run again afterwards. 0 when
// nothing was started (the bars go all the same).
int TwTerminate();
// Draws the visible bars, in the order they were made, into the render target bound to
// the device's immediate context, over what is there; the context's state is left as it
// was. 0 before TwInit.
int TwDraw();
// The size of the current window, which TwDraw draws into and events are clipped to.
int TwWindowSize(int width, int height);
// Selects the window that TwWindowSize, TwDraw and TwEventWin refer to; each window keeps
// its own size.
int TwSetCurrentWindow(int windowID);
// Handles a window message: non-zero exactly when a bar used it (then it is not meant for
// the camera or the application). Button callbacks and writes of bound variables happen
// before it returns.
int TwEventWin(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Stored for string variables, which no bar has yet.
void TwCopyStdStringToClientFunc(TwCopyStdStringToClient copyStdStringFunc);

// Null when a bar of that name exists already.
TwBar* TwNewBar(const char* barName);
// 1 on success, 0 for a bar that does not exist.
int TwDeleteBar(TwBar* bar);

// Adds a variable that reads and writes *var. The definition is a run of parameters
// "name=value" (blanks around "=" allowed, values quoted with '...', `...` or "...");
// the last value of a name wins. 0 when the bar is gone, the name is taken on the bar
// or an argument is missing.
int TwAddVarRW(TwBar* bar, const char* name, TwType type, void* var, const char* def);

// Adds a button that calls callback(clientData) when it is clicked. 0 when the bar is gone,
// the name is missing or taken on the bar.
int TwAddButton(TwBar* bar, const char* name, TwButtonCallback callback, void* clientData, const char* def);

// Sets parameters of a bar: "<bar> alpha=200 visible=false label='Camera' position='10 10'
// size='250 80'" (a bar name with blanks in quotes). Parameters apply in order, so later
// ones override earlier ones. 0 for a bar that does not exist, and at the first unknown
// parameter or bad value, which is left unapplied.
int TwDefine(const char* def);

// Sets a parameter of a variable or of a group of variables on the bar. 0 for a name that
// is neither, or a value type other than a single C string.
int TwSetParam(TwBar* bar, const char* varName, const char* paramName, TwParamValueType paramValueType,
               unsigned int inValueCount, const void* inValues);
