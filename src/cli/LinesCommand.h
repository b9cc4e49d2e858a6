#pragma once
// clockctl --lines FILE: one command (detect, status, datetime) on many lines at once. Each line
// is checked by a clockctl of its own (a line is one-threaded, with its own event loop and port),
// up to --jobs at a time; rows that name the same serial port, or the same TCP address and port,
// are run one after the other, never at once.
#include <iosfwd>
#include <string>
#include <vector>

// One row of the file: the clockctl options of its line, or why the row is no line.
struct TLineRow {
  int Row = 0;  // the row's number in the file, from 1
  std::string Text;
  // What the summary calls the line: the line's name, else its address or port.
  std::string Label;
  std::vector<std::string> Options;
  // Rows with the same key share a port and never run at once.
  std::string PortKey;
  std::string Error;  // not empty: a bad row
};

// The rows of AText: blank rows and rows beginning with "#" are left out. A row is either the
// command line's line options ("--tcp 10.0.0.5 --search KRTal") or a line's settings string
// ("name,phone,port or address,br<speed> or TCP port,protocol,clocks...").
std::vector<TLineRow> ParseLineRows(const std::string& AText);

struct TLinesOptions {
  std::string File;
  int Jobs = 8;
  std::string Command;
  // Options given on the command line besides the lines (--search, --quick, ...), for every row.
  std::vector<std::string> Shared;
  bool Json = false;
};

// Runs the command on every line of the file and prints the summary (a table, or one JSON
// object). Exit code 0 when every row was a line and every line did the command, else 1.
int RunLinesCommand(const TLinesOptions& AOptions, std::ostream& AOut, std::ostream& AErr);
