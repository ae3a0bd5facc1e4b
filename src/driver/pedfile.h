// Pedigree file reader: marker names from the header line, then one line of
// whitespace-separated integers per individual, checked as they are loaded.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "family/families.h"

// Next marker name of the header line from `position`: a maximal run of ASCII
// letters and digits (everything else, non-ASCII bytes included, separates
// names). Returns 1 with `name` set and `position` moved past the name and the
// separators after it; 0 when no name is left (outputs unchanged).
int GetMarker(const std::string& line, std::string& name, std::size_t& position);

// Sizing pass: reads the marker names into `names`, sets columns = 2 x names + 6
// and rows = the number of data lines that hold anything but white space.
// Returns 1, or 0 (outputs unchanged) when the file cannot be opened, is empty
// or its header holds no name.
int size(int& rows, int& columns, const std::string& fileName, std::vector<std::string>& names);

// Loading pass: fills `table` with rows x columns values. Every data line must
// hold exactly `columns` integers that fit 32 bits; otherwise the table is left
// empty, `error` holds the message for the first bad line and false is returned.
bool loadTable(const std::string& fileName, int rows, int columns, PedTable& table,
               std::string& error);
