/* The program's version, written once: the version record is built from it
   and the About window reads that record at run time. */
#pragma once

#define TARNOVELLE_VERSION_MAJOR 2
#define TARNOVELLE_VERSION_MINOR 0
#define TARNOVELLE_VERSION_REVISION 0
#define TARNOVELLE_VERSION_TEXT "2.00"
