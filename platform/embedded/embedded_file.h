// PELMORA_EMBED_FILE(name, "path"): assembles a file's bytes straight into the
// read-only data of the object that uses it, between the symbols
// name_begin and name_end (declare them as extern "C" const std::uint8_t[]).
// ELF objects return to the previous section; PE objects, which have no
// section stack, go back to .text.
#pragma once

#if defined(_WIN32)
#define PELMORA_EMBED_SECTION ".section .rdata,\"dr\"\n"
#define PELMORA_EMBED_RETURN ".text\n"
#else
#define PELMORA_EMBED_SECTION ".section .rodata\n"
#define PELMORA_EMBED_RETURN ".previous\n"
#endif

#define PELMORA_EMBED_FILE(name, file)                                                             \
    __asm__(PELMORA_EMBED_SECTION ".balign 16\n" #name "_begin:\n"                                 \
                                  ".incbin \"" file "\"\n" #name "_end:\n" PELMORA_EMBED_RETURN)
