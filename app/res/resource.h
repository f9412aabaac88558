#pragma once
// Resource ids of Moravel.exe.
#define IDI_MORAVEL 101
