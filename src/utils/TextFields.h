#pragma once
// Small helpers for the flat settings strings and the record log: fields cut off a text one at a
// time, texts cut into lists, and left padding. Strings are 8-bit, one character per byte.
#include <cstdint>
#include <string>
#include <vector>

#include "calendar/TrimBlanks.h"

// Cuts the first field off AText: the text before the first ASeparator, without surrounding
// blanks. The field and its separator are removed from AText; when there is no separator the
// whole (trimmed) text is the field and AText becomes ''.
void ExtractField(std::string& AText, char ASeparator, std::string& AField);

// ACount copies of AChar.
std::string RepeatChar(char AChar, std::uint8_t ACount);

// AText with APadChar put in front up to ALength characters; a text that long or longer is
// returned unchanged.
std::string PadLeft(const std::string& AText, std::uint8_t ALength, char APadChar);

// S cut at every ASeparator byte. Items stay as they are (not trimmed, empty ones kept), except
// that a blank last item is dropped. An empty result means no list: S is empty or blank.
std::vector<std::string> SplitToList(char ASeparator, const std::string& S);
