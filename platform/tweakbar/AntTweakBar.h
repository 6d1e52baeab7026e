#pragma once
// The AntTweakBar calls the framework makes: bars and the variables on them, bound
// directly to the owner's storage. Bars live in memory (platform/tweakbar/Bars.h shows
// what is on them).

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

// Sets a parameter of a variable or of a group of variables on the bar. 0 for a name that
// is neither, or a value type other than a single C string.
int TwSetParam(TwBar* bar, const char* varName, const char* paramName, TwParamValueType paramValueType,
               unsigned int inValueCount, const void* inValues);
