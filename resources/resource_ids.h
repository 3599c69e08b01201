#pragma once
// Resource identifiers shared by the resource script and the program.
#define IDI_APP 1
// Pictures at their size for 96 DPI, and at 1.5 and 2 times that for 144 and 192 DPI.
#define IDR_SPLASH_JPEG 101
#define IDR_HEADER_JPEG 102
#define IDR_SKIN 103
#define IDR_SPLASH_JPEG_150 111
#define IDR_HEADER_JPEG_150 112
#define IDR_SPLASH_JPEG_200 121
#define IDR_HEADER_JPEG_200 122
