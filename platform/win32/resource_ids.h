#pragma once

// Plain macros: the resource compiler reads this file too.
#define IDD_LAUNCH 128
#define IDI_QUORVANE 129
#define IDC_RESOLUTION 1001
#define IDC_FULLSCREEN 1002
#define IDC_PROBLEM 1003
#define RT_SHADER_TEXT 1111
