// Named-option command line: CLI11 definitions and the checks between options.
#include "driver/options.h"

#include <CLI/CLI.hpp>
#include <ostream>

namespace {

struct RawOptions {
  std::string bfile, ped, map, vcf, fam, kintex;
  std::string null = "0";
  std::string model = "add";
  std::string markers, chr, chunk;
  std::string par = "b37";
};

void defineOptions(CLI::App& app, RawOptions& raw, RunOptions& o) {
  app.set_version_flag("--version", std::string("kintex ") + KINTEX_VERSION);
  app.add_option("--bfile", raw.bfile, "PLINK binary fileset PREFIX.bed, PREFIX.bim, PREFIX.fam")
      ->type_name("PREFIX")
      ->group("Input (one of)");
  app.add_option("--ped", raw.ped, "PLINK text pedigree file (needs --map)")
      ->type_name("FILE")
      ->group("Input (one of)");
  app.add_option("--map", raw.map, "PLINK map file of --ped")->type_name("FILE")->group("Input (one of)");
  app.add_option("--vcf", raw.vcf, "VCF or BCF genotypes, plain or compressed (needs --fam)")
      ->type_name("FILE")
      ->group("Input (one of)");
  app.add_option("--fam", raw.fam, "pedigree of --vcf, PLINK .fam layout")
      ->type_name("FILE")
      ->group("Input (one of)");
  app.add_option("--kintex", raw.kintex, "kintex's own layout: a header of marker names, integer lines")
      ->type_name("FILE")
      ->group("Input (one of)");
  app.add_option("--out", o.out, "output prefix: PREFIX.tsv, PREFIX.log, PREFIX.informative.tsv")
      ->type_name("PREFIX")
      ->capture_default_str();
  app.add_option("--null", raw.null, "0 'no linkage, no association', 1 'linkage, no association', or both")
      ->check(CLI::IsMember({"0", "1", "both"}))
      ->capture_default_str();
  app.add_option("--model", raw.model, "scoring of affected children: add, dom, rec, or all three")
      ->check(CLI::IsMember({"add", "dom", "rec", "all"}))
      ->capture_default_str();
  app.add_option("--markers", raw.markers, "markers by name or 1-based index range, e.g. rs1,rs7,10-20")
      ->type_name("LIST");
  app.add_option("--chr", raw.chr, "chromosomes, e.g. 1-22,X")->type_name("LIST");
  app.add_option("--chunk", raw.chunk, "the I-th of N contiguous slices of the selected markers")
      ->type_name("I/N");
  app.add_option("--threads", o.threads, "analyses run at once; 0: every core the run may use")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--seed", o.seed, "seed of the random pair choice under 'linkage, no association'")
      ->capture_default_str();
  app.add_flag("--xlinked", o.xlinked,
               "--kintex input: every marker is X-linked (the layout has no chromosomes)");
  app.add_option("--par", raw.par, "reference build for the pseudo-autosomal regions of X: b37 or b38")
      ->check(CLI::IsMember({"b37", "b38"}))
      ->capture_default_str();
}

// The one input form given, and its files; an error message otherwise.
std::string chooseInput(const RawOptions& raw, RunOptions& o) {
  int forms = 0;
  if (!raw.bfile.empty()) {
    ++forms;
    o.format = InputFormat::PlinkBinary;
    o.inputs = {raw.bfile + ".bed", raw.bfile + ".bim", raw.bfile + ".fam"};
  }
  if (!raw.ped.empty() || !raw.map.empty()) {
    ++forms;
    o.format = InputFormat::PlinkText;
    o.inputs = {raw.ped, raw.map};
    if (raw.ped.empty() || raw.map.empty()) {
      return "--ped and --map go together";
    }
  }
  if (!raw.vcf.empty()) {
    ++forms;
    o.format = InputFormat::Vcf;
    o.inputs = {raw.vcf, raw.fam};
    if (raw.fam.empty()) {
      return "--vcf needs --fam (the pedigree)";
    }
  } else if (!raw.fam.empty()) {
    return "--fam goes with --vcf (use --bfile for a PLINK binary fileset)";
  }
  if (!raw.kintex.empty()) {
    ++forms;
    o.format = InputFormat::Kintex;
    o.inputs = {raw.kintex};
  }
  if (forms != 1) {
    return forms == 0 ? "no input: give one of --bfile, --ped with --map, --vcf with --fam, --kintex"
                      : "give only one input: --bfile, --ped with --map, --vcf with --fam, or --kintex";
  }
  if (o.xlinked && o.format != InputFormat::Kintex) {
    return "--xlinked is for --kintex input; the chromosome of each marker decides for the other formats";
  }
  return "";
}

std::string joinArguments(int argc, char** argv) {
  std::string line = "kintex";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool plain = !arg.empty() && arg.find_first_of(" \t\n'\"\\$") == std::string::npos;
    line += " " + (plain ? arg : "'" + arg + "'");
  }
  return line;
}

}  // namespace

const char* modelName(int model) {
  static const char* const names[] = {"additive", "dominant", "recessive"};
  return names[model - 1];
}

const char* modelShort(int model) {
  static const char* const names[] = {"add", "dom", "rec"};
  return names[model - 1];
}

std::optional<int> parseOptions(int argc, char** argv, RunOptions& o, std::ostream& out, std::ostream& err) {
  CLI::App app{"kintex " KINTEX_VERSION
               ": exact family-based association tests in nuclear families.\n"
               "Classic forms: 'kintex' (menu), 'kintex [--threads N] pedfile logfile xlinked H_0 model marker'\n"
               "(batch).",
               "kintex"};
  RawOptions raw;
  defineOptions(app, raw, o);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err) == 0 ? 0 : 1;
  }
  const std::string problem = chooseInput(raw, o);
  try {
    if (!problem.empty()) {
      throw SelectionError(problem);
    }
    if (!raw.markers.empty()) {
      o.selection.addMarkers(raw.markers);
    }
    if (!raw.chr.empty()) {
      if (o.format == InputFormat::Kintex) {
        throw SelectionError("--chr: --kintex input has no chromosomes");
      }
      o.selection.addChromosomes(raw.chr);
    }
    if (!raw.chunk.empty()) {
      o.chunk = parseChunk(raw.chunk);
    }
  } catch (const SelectionError& e) {
    err << "kintex: error: " << e.what() << "\nRun with --help for more information.\n";
    return 1;
  }
  o.nulls = raw.null == "both" ? std::vector<int>{0, 1} : std::vector<int>{raw.null == "1" ? 1 : 0};
  o.models = raw.model == "all"   ? std::vector<int>{1, 2, 3}
             : raw.model == "dom" ? std::vector<int>{2}
             : raw.model == "rec" ? std::vector<int>{3}
                                  : std::vector<int>{1};
  o.build = raw.par == "b38" ? io::GenomeBuild::GRCh38 : io::GenomeBuild::GRCh37;
  o.markersText = raw.markers;
  o.chrText = raw.chr;
  o.chunkText = raw.chunk;
  o.commandLine = joinArguments(argc, argv);
  return std::nullopt;
}
