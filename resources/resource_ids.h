#pragma once
// Resource identifiers shared by the resource script and the program.
#define IDI_APP 1
#define IDR_SPLASH_JPEG 101
#define IDR_HEADER_JPEG 102
#define IDR_SKIN 103
