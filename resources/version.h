/* The program's version, written once: the version record and the manifest
   are built from it, CMake reads it for the project's version, and the
   About window reads the version record at run time. */
#pragma once

#define TARNOVELLE_VERSION_MAJOR 2
#define TARNOVELLE_VERSION_MINOR 0
#define TARNOVELLE_VERSION_REVISION 0
#define TARNOVELLE_VERSION_TEXT "2.00"
