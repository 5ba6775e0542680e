// Accelerator tables: key combinations turned into commands. A table is
// registered under a resource id and loaded by it, as LoadAccelerators does.
#pragma once

#include "ui/WinDefs.h"

#include <vector>

class CWnd;

constexpr plat::BYTE FVIRTKEY = 0x01;
constexpr plat::BYTE FSHIFT = 0x04;
constexpr plat::BYTE FCONTROL = 0x08;
constexpr plat::BYTE FALT = 0x10;

struct ACCEL {
    plat::BYTE fVirt = 0; // FVIRTKEY | FSHIFT | FCONTROL | FALT
    plat::WORD key = 0;   // virtual key code ('T')
    plat::WORD cmd = 0;   // command id
};

struct AcceleratorTable;
using HACCEL = const AcceleratorTable*;

void RegisterAcceleratorResource(int resourceId, std::vector<ACCEL> entries);
// Null when no table has this id.
HACCEL LoadAccelerators(int resourceId);
// When msg is a key-down message matching an entry (modifiers exactly as
// listed), sends the entry's command to wnd (OnCommand(cmd, 0)) and answers
// true.
bool TranslateAccelerator(CWnd* wnd, HACCEL table, const MSG& msg);
