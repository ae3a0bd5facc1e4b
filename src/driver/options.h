// The named-option command line (kintex --bfile study --out res ...): its
// options, parsed with CLI11 and checked before anything is opened.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "io/chromosome.h"
#include "study/selection.h"

// One input form: exactly one is given.
enum class InputFormat { PlinkBinary, PlinkText, Vcf, Kintex };

struct RunOptions {
  InputFormat format = InputFormat::PlinkBinary;
  std::vector<std::string> inputs;  // the files read, in the order the format takes them
  std::string out = "kintex";       // output prefix
  std::vector<int> nulls{0};        // 0 "no linkage, no association", 1 "linkage, no association"
  std::vector<int> models{1};       // 1 additive, 2 dominant, 3 recessive
  MarkerSelection selection;
  std::optional<Chunk> chunk;
  int threads = 0;  // 0: every core
  std::uint64_t seed = 1;
  bool xlinked = false;  // --kintex input: every marker is X-linked
  io::GenomeBuild build = io::GenomeBuild::GRCh37;
  std::string commandLine;  // as typed, for the log
  std::string markersText;  // --markers, --chr and --chunk as typed ("" when not given)
  std::string chrText;
  std::string chunkText;
};

// Parses argv. Returns the exit status when the run ends here: 0 after
// --help or --version (written to `out`), 1 after an error (written to `err`,
// with a pointer to --help); std::nullopt when `options` is ready to run.
std::optional<int> parseOptions(int argc, char** argv, RunOptions& options, std::ostream& out,
                                std::ostream& err);

// The words of a model code: additive, dominant, recessive.
const char* modelName(int model);
// The short form of a model code, as in the table: add, dom, rec.
const char* modelShort(int model);
