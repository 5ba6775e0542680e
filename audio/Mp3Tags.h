// The tags other programs put around the frames of an MPEG audio file: ID3v2
// tags in front (often several, each of its stated size), and APE or ID3v2
// tags at the end. The trailing 128-byte ID3v1 tag is read by the MPEG reader
// itself; one more ID3v1 tag before the others at the end is also known here.
#pragma once

#include "audio/SourceFile.h"

// The whole length of the ID3v2 tag whose 10-byte header is at p: the header,
// the synchsafe size it states and, with flag bit 4, a 10-byte footer. 0 when
// the bytes are no ID3v2 header.
plat::DWORD Id3v2TagLength(const unsigned char* p);

// The whole length of the APE tag whose 32-byte footer is at p (with its
// header when the footer says it has one); 0 when the bytes are no APE footer.
plat::DWORD ApeTagLength(const unsigned char* p);

// Where the audio of file[start, end) begins once the ID3v2 tags at its front
// are passed. A tag that states more bytes than there are is not passed, so
// the reader finds no frame there. False on a read failure.
bool SkipLeadingTags(CSourceFile& file, plat::DWORD start, plat::DWORD end,
                     plat::DWORD& audioStart);

// Where the audio of file[start, end) ends once the APE, ID3v2 (with footer)
// and ID3v1 tags that finish at end are set aside. False on a read failure.
bool FindTrailingTags(CSourceFile& file, plat::DWORD start, plat::DWORD end, plat::DWORD& audioEnd);
