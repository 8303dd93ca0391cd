// Checks a catalogue file for entries that the program would read wrongly, each with its file
// and line, so that a user who extends the catalogue learns what is amiss before a chip is used.
#pragma once

#include <string>
#include <vector>

enum class TCatalogueProblem {
  NotInteger,       // a field is not an integer ("32K", a comment after the value)
  TooFewFields,     // fewer than Status, Size, PageSize, Org and Jumper
  BadSize,          // Size not from 1 to the memory buffer's size
  PageNotDividing,  // types written by page: PageSize not a positive divisor of Size
  BadOrg,           // types read by unit: Org neither 0 nor 1
  UnknownType,      // the family's type has no access scheme (1, 2 or 3)
  NoType,           // the family has no type
  RepeatedKey,      // a key that stands in the family already (the later one is never read)
};

struct TCatalogueFinding {
  std::string File;
  int Line = 0;  // 1-based
  TCatalogueProblem Problem;
  std::string Family;
  std::string Key;                  // empty for problems of the family
  std::vector<std::string> Values;  // the details that the problem's message names
};

// Every finding of the file in file order; none for a clean (or missing) file.
std::vector<TCatalogueFinding> CheckCatalogue(const std::string& file);

// The message key of a problem; its text takes the family, the key and then the Values.
std::string CatalogueProblemKey(TCatalogueProblem problem);
