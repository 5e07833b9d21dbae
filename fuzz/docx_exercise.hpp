// What the .docx fuzz targets do with a document once its bytes are on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace korvax::fuzz {

// A private scratch folder for this fuzzing process, made on first use.
const std::filesystem::path& ScratchDir();

// Writes the bytes to a file in the scratch folder and returns its path.
std::filesystem::path WriteInput(std::string_view bytes, const char* name = "input.docx");

// Opens the document and reads everything the plug-in reads: the main text,
// every cell of every table (nested ones too), every comment and its scope.
// Then writes into the first cell and at the end, as the fee dialogs do, saves
// it under another name and opens the copy again, which must give the same
// main text. korvax::Error is an expected outcome; any other exception, a
// crash or a changed text stops the fuzzer.
void ExerciseDocument(const std::filesystem::path& path);

}  // namespace korvax::fuzz
