#ifndef PATHFIND_FILE_EXISTS_H
#define PATHFIND_FILE_EXISTS_H

// Prints "<entry>/<name> \n" for each regular, executable file named `name` in the directories
// of PATH, in PATH order: the first only, or every one when `all` is non-zero. Returns true when
// at least one line was printed. Empty PATH entries are skipped; an unset PATH finds nothing.
bool file_exists(const char* name, int all);

#endif  // PATHFIND_FILE_EXISTS_H
