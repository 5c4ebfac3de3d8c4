// The tables the engine's fuzz targets share: a small sample table of every field type written
// by the engine itself, and the walk a user's browsing makes through an open table.
#pragma once

#include <string>

// Field numbers of the sample table.
enum : int { sfName = 1, sfAmount, sfRate, sfBorn, sfActive, sfNote };
constexpr int SampleRecords = 6;

// Writes the sample table at path (".DBF" name) with its memo file: driver 1 gives a DBT memo,
// 2 and 3 an FPT memo. Every record has a memo; the table is left closed.
void MakeSampleTable(const std::string& path, int driver);
// The sample table with an FPT memo, "S.DBF" of the scratch folder, made on first use.
const std::string& SampleTable();
// The bytes of a file.
std::string ReadWholeFile(const std::string& path);

// Reads every field of the current record the ways a user's screens read them.
void ReadCurrentRecord();
// Walks the current area from the top to the end and from the bottom back, at most steps
// records each way, reading every record.
void WalkArea(int steps);
