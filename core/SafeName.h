// A name from the bus made safe to use in a shell command, a uci value and a file name.
#ifndef CORE_SAFENAME_H
#define CORE_SAFENAME_H

#include <string>

// Letters, digits, '.', '_' and '-' are kept; every other byte becomes '_'. So the
// result has no blank, ':', quote or '/' (it cannot leave a directory or split an
// entry of the tty table). Null gives "".
std::string SafeName(const char *name);

// A name from the bus as one part of a file name: only '/' would take the path out of
// its folder, so each '/' becomes '_' and everything else stays ("RO500 Pro" keeps its
// blank). Never to be handed to a shell. Null gives "".
std::string FileNamePart(const char *name);

#endif
