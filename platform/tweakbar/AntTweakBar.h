#pragma once
// The AntTweakBar calls the framework makes: bars, the variables on them bound directly
// to the owner's storage, buttons, and bar parameters. Bars live in memory
// (platform/tweakbar/Bars.h shows what is on them and how they are placed).

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
