// Checks a catalogue file for entries that the program would read wrongly, each with its file
// and line, so that a user who extends the catalogue learns what is amiss before a chip is used.
#pragma once

#include <string>
#include <vector>

enum class TCatalogueProblem {
  NotInteger,        // a field is not an integer ("32K", a comment after the value)
  TooFewFields,      // fewer than Status, Size, PageSize, Org and Jumper
  BadSize,           // Size not from 1 to the memory buffer's size
  PageNotDividing,   // types written by page: PageSize not a positive divisor of Size
  BadOrg,            // types read by unit: Org neither 0 nor 1
  UnknownType,       // the family's type has no access scheme (1, 2 or 3)
  NoType,            // the family has no type
  RepeatedKey,       // a key that stands in the family already (the later one is never read)
  NoEquals,          // a line that is neither a section, a key nor a comment: it is not read
  KeyBeforeSection,  // a key before the first section: it belongs to no family and is not read
  HashLine,          // a line starting with '#' that holds '=': read as a chip, not as a comment
  Type1Above64K,     // a type 1 chip above 64 KiB: its two address bytes can't reach further
  SizeNotBlocks,     // types 1 and 2: a Size that is not a multiple of 32 (the read's block)
  NameInTwoFamilies  // a chip name that stands in another family too (of this file or another)
};

struct TCatalogueFinding {
  std::string File;
  int Line = 0;  // 1-based
  TCatalogueProblem Problem;
  std::string Family;
  std::string Key;                  // empty for problems of the family
  std::vector<std::string> Values;  // the details that the problem's message names
};

// Every finding of the file in file order; none for a clean (or missing) file. The file is checked
// as part of the catalogue merged from context and it: a family that a context file gives a type
// is typed, and a chip name that a context file holds in another family is flagged.
std::vector<TCatalogueFinding> CheckCatalogue(const std::string& file, const std::vector<std::string>& context = {});

// The message key of a problem; its text takes the family, the key and then the Values.
std::string CatalogueProblemKey(TCatalogueProblem problem);
