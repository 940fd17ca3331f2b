// Places the version resource of the native program, lifted out of the resource file that windres
// made from the program's resource source, in an ELF section of its own. The section is not
// loaded; the version functions read it from the file, as Windows reads a PE file's resource.
// REGCORVEX_VERSION_BLOCK names the file with the bytes; the section name is kElfVersionSection.
asm(".pushsection .rsrc_version, \"\", @progbits\n"
    ".incbin \"" REGCORVEX_VERSION_BLOCK
    "\"\n"
    ".popsection\n");
