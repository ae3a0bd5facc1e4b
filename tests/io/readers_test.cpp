// Input readers: one study written in all four formats reads back the same;
// each reader's main errors; which markers are X-linked.
#include <gtest/gtest.h>
#include <htslib/vcf.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "io/chromosome.h"
#include "io/readers.h"

namespace {

using io::GenotypeSource;
using io::InputError;

// A path in the test's own temporary directory (ctest runs tests in parallel).
std::string tempPath(const std::string& name) {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  return testing::TempDir() + test->test_suite_name() + "-" + test->name() + "-" + name;
}

std::string writeFile(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The study: two families with numeric ids (kintex's layout has only
// integers), one father (id 9) who is in the pedigree but not genotyped, and
// per marker a genotype per individual as two allele strings ("0" missing).
struct Person {
  std::string fam, id, father, mother, sex, phenotype;
};
struct Site {
  std::string chrom, name;
  long long pos;
  std::string a1, a2;              // alleles in PLINK's .bim order; REF, ALT in the VCF
  std::vector<std::string> calls;  // per person "A/G", "0/0"; a man's X call is one allele "A"
};

const std::vector<Person> kPeople = {
    {"1", "1", "0", "0", "1", "1"}, {"1", "2", "0", "0", "2", "1"}, {"1", "3", "1", "2", "2", "2"},
    {"2", "9", "0", "0", "1", "0"}, {"2", "5", "0", "0", "2", "1"}, {"2", "6", "9", "5", "1", "2"},
};
const std::vector<Site> kSites = {
    {"1", "rs1", 1000, "A", "G", {"A/G", "A/A", "A/G", "0/0", "G/G", "0/0"}},
    {"X", "rsX", 5000000, "C", "T", {"T", "C/T", "C/T", "0/0", "C/C", "C"}},
    {"2", "rs3", 3000, "G", "T", {"T/T", "G/T", "G/T", "0/0", "G/T", "G/G"}},
};

std::pair<std::string, std::string> split(const std::string& call) {
  const std::size_t slash = call.find('/');
  return slash == std::string::npos ? std::make_pair(call, call)
                                    : std::make_pair(call.substr(0, slash), call.substr(slash + 1));
}

std::string pedigreeColumns(const Person& p) {
  return p.fam + " " + p.id + " " + p.father + " " + p.mother + " " + p.sex + " " + p.phenotype;
}

std::string famText() {
  std::string text;
  for (const Person& p : kPeople) {
    text += pedigreeColumns(p) + "\n";
  }
  return text;
}

void writePlinkBinary() {
  std::string bim;
  std::string bed = {0x6c, 0x1b, 0x01};
  for (const Site& s : kSites) {
    bim += s.chrom + "\t" + s.name + "\t0\t" + std::to_string(s.pos) + "\t" + s.a1 + "\t" + s.a2 + "\n";
    std::string block((kPeople.size() + 3) / 4, '\0');
    for (std::size_t i = 0; i < kPeople.size(); ++i) {
      const auto [x, y] = split(s.calls[i]);
      const int bits = x == "0" ? 1 : (x == s.a1 && y == s.a1) ? 0 : (x == s.a2 && y == s.a2) ? 3 : 2;
      block[i / 4] = static_cast<char>(block[i / 4] | (bits << (2 * (i % 4))));
    }
    bed += block;
  }
  writeFile("s.fam", famText());
  writeFile("s.bim", bim);
  writeFile("s.bed", bed);
}

void writePlinkText() {
  std::string map, ped;
  for (const Site& s : kSites) {
    map += s.chrom + " " + s.name + " 0 " + std::to_string(s.pos) + "\r\n";
  }
  for (std::size_t i = 0; i < kPeople.size(); ++i) {
    ped += pedigreeColumns(kPeople[i]);
    for (const Site& s : kSites) {
      const auto [x, y] = split(s.calls[i]);
      ped += "\t" + x + " " + y;
    }
    ped += "\n";
  }
  writeFile("t.map", map);
  writeFile("t.ped", ped);
}

// Individual 9 has no column: an ungenotyped father. VCF columns are in
// another order than the .fam, and missing calls are '.'.
void writeVcf() {
  std::string vcf = "##fileformat=VCFv4.2\n##FORMAT=<ID=GT,Number=1,Type=String,Description=\"Genotype\">\n";
  vcf += "#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t6\t5\t3\t2\t1\n";
  const std::vector<std::size_t> order = {5, 4, 2, 1, 0};
  for (const Site& s : kSites) {
    vcf += s.chrom + "\t" + std::to_string(s.pos) + "\t" + s.name + "\t" + s.a1 + "\t" + s.a2 + "\t.\t.\t.\tGT";
    for (std::size_t i : order) {
      std::string call = s.calls[i];
      for (const auto& [from, to] : std::map<std::string, std::string>{{s.a1, "0"}, {s.a2, "1"}}) {
        for (std::size_t at = call.find(from); at != std::string::npos; at = call.find(from)) {
          call.replace(at, from.size(), to);
        }
      }
      vcf += "\t" + (call == "0/0" && s.calls[i] == "0/0" ? "./." : call);
    }
    vcf += "\n";
  }
  writeFile("v.vcf", vcf);
  writeFile("v.fam", famText());
}

// kintex's layout: integer alleles, A=1 C=2 G=3 T=4, a man's X as two equal codes.
const std::map<std::string, std::string> kDigits = {{"A", "1"}, {"C", "2"}, {"G", "3"}, {"T", "4"}, {"0", "0"}};

void writeKintex() {
  std::string text = "rs1 rsX rs3\n";
  for (std::size_t i = 0; i < kPeople.size(); ++i) {
    text += pedigreeColumns(kPeople[i]);
    for (const Site& s : kSites) {
      const auto [x, y] = split(s.calls[i]);
      text += "  " + kDigits.at(x) + " " + kDigits.at(y);
    }
    text += "\n";
  }
  writeFile("k.ped", text);
}

// What a reader delivers, alleles as strings: per marker its description and
// per sample the two allele strings ("" missing) in sorted order.
struct Read {
  std::vector<io::Sample> samples;
  std::vector<io::MarkerInfo> markers;
  std::vector<std::vector<std::string>> genotypes;
};

Read readAll(GenotypeSource& source, const std::map<std::string, std::string>& rename = {}) {
  Read read;
  read.samples = source.samples();
  io::MarkerInfo info;
  std::vector<std::int32_t> codes;
  while (source.next(info, codes)) {
    EXPECT_EQ(codes.size(), 2 * read.samples.size());
    std::vector<std::string> row;
    for (std::size_t i = 0; i < read.samples.size(); ++i) {
      std::string a = codes[2 * i] == 0 ? "" : info.alleles.at(codes[2 * i] - 1);
      std::string b = codes[2 * i + 1] == 0 ? "" : info.alleles.at(codes[2 * i + 1] - 1);
      if (rename.count(a) != 0) {
        a = rename.at(a);
      }
      if (rename.count(b) != 0) {
        b = rename.at(b);
      }
      row.push_back(std::min(a, b) + "/" + std::max(a, b));
    }
    read.genotypes.push_back(row);
    read.markers.push_back(info);
  }
  EXPECT_EQ(read.markers.size(), source.markerCount());
  return read;
}

void expectSameSamples(const std::vector<io::Sample>& a, const std::vector<io::Sample>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE("sample " + std::to_string(i));
    EXPECT_EQ(a[i].family, b[i].family);
    EXPECT_EQ(a[i].id, b[i].id);
    EXPECT_EQ(a[i].father, b[i].father);
    EXPECT_EQ(a[i].mother, b[i].mother);
    EXPECT_EQ(a[i].sex, b[i].sex);
    EXPECT_EQ(a[i].affection, b[i].affection);
  }
}

TEST(Readers, OneStudyInFourFormatsReadsTheSame) {
  writePlinkBinary();
  writePlinkText();
  writeVcf();
  writeKintex();
  const Read bed = readAll(*io::openPlinkBinary(tempPath("s.bed"), tempPath("s.bim"), tempPath("s.fam")));
  const Read ped = readAll(*io::openPlinkText(tempPath("t.ped"), tempPath("t.map")));
  const Read vcf = readAll(*io::openVcf(tempPath("v.vcf"), tempPath("v.fam")));
  std::map<std::string, std::string> letters;
  for (const auto& [letter, digit] : kDigits) {
    letters[digit] = letter;
  }
  const Read kintex = readAll(*io::openKintex(tempPath("k.ped")), letters);

  ASSERT_EQ(bed.samples.size(), kPeople.size());
  EXPECT_EQ(bed.samples[5].father, "9");
  EXPECT_EQ(bed.samples[3].affection, 0);
  EXPECT_EQ(bed.samples[2].affection, 2);
  // The expected genotypes, straight from the study table.
  ASSERT_EQ(bed.genotypes.size(), kSites.size());
  for (std::size_t m = 0; m < kSites.size(); ++m) {
    for (std::size_t i = 0; i < kPeople.size(); ++i) {
      auto [x, y] = split(kSites[m].calls[i]);
      x = x == "0" ? "" : x;
      y = y == "0" ? "" : y;
      EXPECT_EQ(bed.genotypes[m][i], std::min(x, y) + "/" + std::max(x, y)) << "marker " << m << " sample " << i;
    }
  }
  for (const Read* other : {&ped, &vcf, &kintex}) {
    expectSameSamples(bed.samples, other->samples);
    EXPECT_EQ(bed.genotypes, other->genotypes);
    ASSERT_EQ(other->markers.size(), kSites.size());
    for (std::size_t m = 0; m < kSites.size(); ++m) {
      EXPECT_EQ(other->markers[m].name, kSites[m].name);
      if (other != &kintex) {
        EXPECT_EQ(other->markers[m].chrom, kSites[m].chrom);
        EXPECT_EQ(other->markers[m].pos, kSites[m].pos);
      }
    }
  }
  // Allele order: .bim A1 A2; VCF REF ALT; .ped first appearance; kintex ascending codes.
  EXPECT_EQ(bed.markers[1].alleles, (std::vector<std::string>{"C", "T"}));
  EXPECT_EQ(vcf.markers[1].alleles, (std::vector<std::string>{"C", "T"}));
  EXPECT_EQ(ped.markers[1].alleles, (std::vector<std::string>{"T", "C"}));
  EXPECT_EQ(kintex.markers[1].alleles, (std::vector<std::string>{"2", "4"}));
  EXPECT_EQ(kintex.markers[1].chrom, "NA");
  EXPECT_EQ(kintex.markers[1].pos, -1);
}

TEST(Readers, StringIdsMultiAllelicSitesAndUnnamedVcfRecords) {
  writeFile("m.fam", "FAM001 kid dad mum 2 2\nFAM001 dad 0 0 1 -9\nFAM001 mum 0 0 2 1\n");
  writeFile("m.vcf",
            "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\tmum\tkid\tFAM001_dad\n"
            "chr7\t12\t.\tAC\tA,ACC\t.\tPASS\t.\tGT\t2|1\t0/2\t.\n");
  const Read vcf = readAll(*io::openVcf(tempPath("m.vcf"), tempPath("m.fam")));
  EXPECT_EQ(vcf.samples[0].family, "FAM001");
  EXPECT_EQ(vcf.samples[0].father, "dad");
  EXPECT_EQ(vcf.samples[1].affection, 0);
  ASSERT_EQ(vcf.markers.size(), 1u);
  EXPECT_EQ(vcf.markers[0].name, "chr7:12");
  EXPECT_EQ(vcf.markers[0].alleles, (std::vector<std::string>{"AC", "A", "ACC"}));
  EXPECT_EQ(vcf.genotypes[0], (std::vector<std::string>{"AC/ACC", "/", "A/ACC"}));
}

// The study's VCF rewritten as compressed BCF by htslib (BCF needs its contigs declared).
std::string writeBcf() {
  writeVcf();
  std::string vcf;
  {
    std::ifstream in(tempPath("v.vcf"));
    vcf.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  vcf.insert(vcf.find("##FORMAT"), "##contig=<ID=1>\n##contig=<ID=2>\n##contig=<ID=X>\n");
  writeFile("c.vcf", vcf);
  htsFile* in = hts_open(tempPath("c.vcf").c_str(), "r");
  bcf_hdr_t* header = bcf_hdr_read(in);
  htsFile* out = hts_open(tempPath("v.bcf").c_str(), "wb");
  EXPECT_EQ(bcf_hdr_write(out, header), 0);
  bcf1_t* record = bcf_init();
  while (bcf_read(in, header, record) == 0) {
    EXPECT_EQ(bcf_write(out, header, record), 0);
  }
  bcf_destroy(record);
  bcf_hdr_destroy(header);
  hts_close(out);
  hts_close(in);
  return tempPath("v.bcf");
}

TEST(Readers, BcfReadsLikeItsVcf) {
  const std::string bcf = writeBcf();
  const Read fromVcf = readAll(*io::openVcf(tempPath("v.vcf"), tempPath("v.fam")));
  const Read fromBcf = readAll(*io::openVcf(bcf, tempPath("v.fam")));
  ASSERT_EQ(fromBcf.markers.size(), kSites.size());
  EXPECT_EQ(fromBcf.genotypes, fromVcf.genotypes);
  for (std::size_t m = 0; m < kSites.size(); ++m) {
    EXPECT_EQ(fromBcf.markers[m].alleles, fromVcf.markers[m].alleles);
    EXPECT_EQ(fromBcf.markers[m].chrom, fromVcf.markers[m].chrom);
    EXPECT_EQ(fromBcf.markers[m].pos, fromVcf.markers[m].pos);
  }
}

// Each case writes its files and expects the exact message of InputError.
struct ErrorCase {
  std::string name;
  std::vector<std::pair<std::string, std::string>> files;  // name, content
  std::string expected;                                    // "@" stands for the temp path prefix
};

std::string openAndReadAll(const std::string& kind) {
  try {
    std::unique_ptr<GenotypeSource> source;
    if (kind == "bed") {
      source = io::openPlinkBinary(tempPath("e.bed"), tempPath("e.bim"), tempPath("e.fam"));
    } else if (kind == "ped") {
      source = io::openPlinkText(tempPath("e.ped"), tempPath("e.map"));
    } else if (kind == "vcf") {
      source = io::openVcf(tempPath("e.vcf"), tempPath("e.fam"));
    } else {
      source = io::openKintex(tempPath("e.kin"));
    }
    readAll(*source);
  } catch (const InputError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(Readers, MalformedInputIsReportedWithFileLineAndField) {
  const std::string fam = "f a 0 0 1 2\nf b 0 0 2 1\n";
  const std::string bim = "1 m1 0 10 A G\n";
  const std::string bed = std::string{0x6c, 0x1b, 0x01} + std::string(1, '\0');
  const std::string hdr = "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ta\tb\n";
  const std::string longToken(60, 'q');
  const std::vector<std::pair<std::string, ErrorCase>> cases = {
      {"bed", {"sex", {{"e.fam", "f a 0 0 1 2\n\nf b 0 0 M 1\n"}, {"e.bim", bim}, {"e.bed", bed}},
               "@e.fam line 3, field 5: 'M' is not a valid sex (1 male, 2 female, 0 unknown)"}},
      {"bed", {"quantitative", {{"e.fam", "f a 0 0 1 2.5\n"}, {"e.bim", bim}, {"e.bed", bed}},
               "@e.fam line 1, field 6: '2.5' is not an affection status (2 affected, 1 unaffected, 0 or -9 unknown)"}},
      {"bed", {"long value", {{"e.fam", "f a 0 0 " + longToken + " 2\n"}, {"e.bim", bim}, {"e.bed", bed}},
               "@e.fam line 1, field 5: '" + std::string(40, 'q') + "...' is not a valid sex (1 male, 2 female, 0 unknown)"}},
      {"bed", {"fam fields", {{"e.fam", "f a 0 0 1\n"}, {"e.bim", bim}, {"e.bed", bed}},
               "@e.fam line 1: expected 6 fields, found 5"}},
      {"bed", {"bim position", {{"e.fam", fam}, {"e.bim", "1 m1 0 1x A G\n"}, {"e.bed", bed}},
               "@e.bim line 1, field 4: '1x' is not a valid position"}},
      {"bed", {"magic", {{"e.fam", fam}, {"e.bim", bim}, {"e.bed", "\x6c\x1c\x01\x00"}},
               "@e.bed: is not a PLINK .bed file (it does not start with bytes 6c 1b)"}},
      {"bed", {"size", {{"e.fam", fam + "f c 0 0 1 1\nf d 0 0 1 1\nf e 0 0 1 1\n"}, {"e.bim", bim}, {"e.bed", bed}},
               "@e.bed: holds 4 bytes where 1 markers of 5 individuals need 5 (do the .bim and .fam belong to this .bed?)"}},
      {"ped", {"ped fields", {{"e.ped", "f a 0 0 1 2 A G\nf b 0 0 2 1 A\n"}, {"e.map", "1 m1 0 10\n"}},
               "@e.ped line 2: expected 8 fields (6 + 2 x 1 markers of the .map), found 7"}},
      {"ped", {"map fields", {{"e.ped", "f a 0 0 1 2 A G\n"}, {"e.map", "1 m1 10\n"}},
               "@e.map line 1: expected 4 fields (chromosome, name, centimorgans, position), found 3"}},
      {"vcf", {"not in pedigree", {{"e.fam", "f a 0 0 1 2\n"}, {"e.vcf", hdr}},
               "@e.vcf: sample 'b' is not in the pedigree @e.fam"}},
      {"vcf", {"allele", {{"e.fam", fam}, {"e.vcf", hdr + "1\t5\t.\tA\tG\t.\t.\t.\tGT\t0/1\t0/1\n1\t6\t.\tA\tG\t.\t.\t.\tGT\t0/1\t2/1\n"}},
               "@e.vcf line 4, field 11: '2/1' names an allele the record does not have in GT"}},
      {"vcf", {"columns", {{"e.fam", fam}, {"e.vcf", hdr + "1\t5\t.\tA\tG\t.\t.\t.\tGT\t0/1\n"}},
               "@e.vcf line 3: expected 11 tab-separated fields (8 + FORMAT + 2 samples), found 10"}},
      {"kintex", {"integer", {{"e.kin", "M1\n1 1 0 0 1 2 1 A\n"}},
               "@e.kin line 2, value 8: 'A' is not an integer"}},
  };
  for (const auto& [kind, c] : cases) {
    SCOPED_TRACE(c.name);
    for (const auto& [name, content] : c.files) {
      writeFile(name, content);
    }
    std::string expected = c.expected;
    for (std::size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@')) {
      expected.replace(at, 1, tempPath(""));
    }
    EXPECT_EQ(openAndReadAll(kind), expected);
  }
}

TEST(Chromosome, XOutsideThePseudoAutosomalRegions) {
  struct Case {
    std::string chrom;
    long long pos;
    io::GenomeBuild build;
    bool x;
  };
  const io::GenomeBuild b37 = io::GenomeBuild::GRCh37, b38 = io::GenomeBuild::GRCh38;
  const std::vector<Case> cases = {
      {"X", 5000000, b37, true},      {"23", 5000000, b37, true},     {"chrX", 5000000, b38, true},
      {"x", 0, b37, true},            {"ChrX", -1, b38, true},        {"X", 60000, b37, true},
      {"X", 60001, b37, false},       {"X", 2699520, b37, false},     {"X", 2699521, b37, true},
      {"X", 2700000, b38, false},     {"X", 2781480, b38, true},      {"X", 154931044, b37, false},
      {"X", 155260561, b37, true},    {"X", 155260560, b38, true},    {"X", 156030895, b38, false},
      {"XY", 5000000, b37, false},    {"25", 5000000, b37, false},    {"PAR1", 100000, b37, false},
      {"Y", 5000000, b37, false},     {"1", 5000000, b37, false},     {"NA", -1, b37, false},
      {"chr23", 5000000, b37, true},  {"X1", 5000000, b37, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(io::isXChromosome(c.chrom, c.pos, c.build), c.x)
        << c.chrom << ":" << c.pos << (c.build == b37 ? " GRCh37" : " GRCh38");
  }
}

}  // namespace
