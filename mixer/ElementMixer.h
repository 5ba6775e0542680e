// One saved mixer control: the record type of the snapshot file.
//
// In the file an element is an object of class "CElementMixer", schema 1: its
// value count (archive count) and values (32-bit each), then m_mixer,
// m_controlId, m_kind and m_items (32-bit each). The line and control types,
// the mixer's name and the items' names are not in it: the run's record beside
// the file keeps the names (mixer/MixerRun.h).
#pragma once

#include "platform/archive/archive.h"
#include "platform/mmsystem.h"

#include <memory>
#include <string>
#include <vector>

// Value family of a control type: how its values are exchanged.
enum : plat::DWORD {
    MIXER_KIND_BOOLEAN = 0,
    MIXER_KIND_SIGNED = 1,
    MIXER_KIND_UNSIGNED = 2,
    MIXER_KIND_OTHER = 3,
};

class CElementMixer {
public:
    static constexpr const char* kClassName = "CElementMixer";
    static constexpr plat::WORD kSchema = 1;

    CElementMixer() = default;
    CElementMixer(plat::DWORD mixer, plat::DWORD lineType, plat::DWORD controlId,
                  plat::DWORD controlType, plat::DWORD items);
    virtual ~CElementMixer() = default;

    static plat::DWORD KindOf(plat::DWORD controlType);

    void Store(plat::CArchiveWriter& ar) const;
    // Reads the element's data (after its object tag). False when the bytes
    // are not there or do not describe an element.
    bool Load(plat::CArchiveReader& ar);

    std::vector<plat::DWORD> m_valueList;
    plat::DWORD m_mixer = 0;
    plat::DWORD m_controlId = 0;
    plat::DWORD m_kind = MIXER_KIND_OTHER;
    plat::DWORD m_items = 0; // item count when 2 or more, else 0
    plat::DWORD m_lineType = 0;
    plat::DWORD m_controlType = 0;
    // The names of a list control's items when it was read: a sound server's
    // lists change as devices come and go, and the values follow the items
    // by name when written back. Empty for other controls and after a load.
    std::vector<std::string> m_itemNames;
    // The name of the mixer when it was read: a restore finds the mixer by
    // it, as the numbers of the mixers change when a device comes or goes.
    // Empty after a load without the names: the restore goes by number.
    std::string m_mixerName;
};

// The snapshot file: the element count, then each element as an object.
void StoreElements(plat::CArchiveWriter& ar, const std::vector<CElementMixer*>& elements);
// False on any mismatch (truncated data, another class or schema, bytes left
// over); `elements` is then empty.
bool LoadElements(plat::CArchiveReader& ar, std::vector<std::unique_ptr<CElementMixer>>& elements);
