#pragma once
// The common root of the data tables' record types, so that a table hands out
// its records through one typed pointer. Records hold their fields only. It
// lies this low because the widgets below the data tables own the UI records.
struct GxDBRecord {};
