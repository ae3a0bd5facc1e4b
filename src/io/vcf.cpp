// VCF/BCF reader through htslib: genotypes from GT, the pedigree from a .fam.
#include <htslib/hts.h>
#include <htslib/kseq.h>
#include <htslib/kstring.h>
#include <htslib/vcf.h>

#include <cstdlib>
#include <map>

#include "io/readers.h"
#include "io/textfields.h"

namespace io {

namespace {

// For every VCF column, the .fam individual it belongs to. Matched on the
// individual id; when that id is not unique in the .fam, FAMILY_ID too.
std::vector<std::size_t> matchSamples(const bcf_hdr_t* header, const std::vector<Sample>& samples,
                                      const std::string& vcfPath, const std::string& famPath) {
  const std::size_t npos = static_cast<std::size_t>(-1);
  std::map<std::string, std::size_t> byId;
  std::map<std::string, std::size_t> byFamilyAndId;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    auto found = byId.find(samples[i].id);
    if (found == byId.end()) {
      byId[samples[i].id] = i;
    } else {
      found->second = npos;  // the id alone is ambiguous
    }
    byFamilyAndId[samples[i].family + "_" + samples[i].id] = i;
  }
  std::vector<std::size_t> column;
  std::vector<bool> taken(samples.size(), false);
  for (int j = 0; j < bcf_hdr_nsamples(header); ++j) {
    const std::string name = header->samples[j];
    auto byName = byId.find(name);
    std::size_t index = byName != byId.end() ? byName->second : npos;
    if (index == npos) {
      auto joined = byFamilyAndId.find(name);
      if (joined != byFamilyAndId.end()) {
        index = joined->second;
      } else if (byName != byId.end()) {
        throw InputError(vcfPath + ": sample '" + shorten(name) + "' matches several individuals of " + famPath +
                         " (when their families differ, name the sample FAMILY_ID)");
      } else {
        throw InputError(vcfPath + ": sample '" + shorten(name) + "' is not in the pedigree " + famPath);
      }
    }
    if (taken[index]) {
      throw InputError(vcfPath + ": samples '" + shorten(name) + "' and another are the same individual of " +
                       famPath);
    }
    taken[index] = true;
    column.push_back(index);
  }
  return column;
}

// An open VCF or BCF with its header; reads records and decodes GT.
class VcfFile {
 public:
  VcfFile(const std::string& path) : path_(path) {
    file_ = hts_open(path.c_str(), "r");
    if (file_ == nullptr) {
      throw InputError(path + ": cannot be opened");
    }
    const htsExactFormat format = hts_get_format(file_)->format;
    if (format != vcf && format != bcf) {
      close();
      throw InputError(path + ": is not a VCF or BCF file");
    }
    text_ = format == vcf;
    header_ = bcf_hdr_read(file_);
    if (header_ == nullptr) {
      close();
      throw InputError(path + ": its header cannot be read (it must end in a #CHROM line with unique sample names)");
    }
    record_ = bcf_init();
  }
  VcfFile(const VcfFile&) = delete;
  VcfFile& operator=(const VcfFile&) = delete;
  ~VcfFile() { close(); }

  const bcf_hdr_t* header() const { return header_; }

  // Reads the next record into `info` and the 0-based allele indices of
  // each VCF column (-1 missing) into `calls`; false at the end.
  bool next(MarkerInfo& info, std::vector<std::int32_t>& calls) {
    if (!readRecord()) {
      return false;
    }
    ++records_;
    if (bcf_unpack(record_, BCF_UN_STR) != 0) {
      throw InputError(where() + ": not a valid record");
    }
    info.chrom = bcf_seqname_safe(header_, record_);
    info.pos = static_cast<long long>(record_->pos) + 1;
    const std::string id = record_->d.id != nullptr ? record_->d.id : ".";
    info.name = id == "." ? info.chrom + ":" + std::to_string(info.pos) : id;
    info.alleles.assign(record_->d.allele, record_->d.allele + record_->n_allele);
    genotypes(calls);
    return true;
  }

 private:
  void close() {
    if (record_ != nullptr) {
      bcf_destroy(record_);
      record_ = nullptr;
    }
    if (header_ != nullptr) {
      bcf_hdr_destroy(header_);
      header_ = nullptr;
    }
    if (file_ != nullptr) {
      hts_close(file_);
      file_ = nullptr;
    }
    free(line_.s);
    line_ = KS_INITIALIZE;
    free(gt_);
    gt_ = nullptr;
  }

  // Text: one line (blank lines skipped), its columns counted before htslib
  // parses it, so that the message can name the line and the field.
  bool readRecord() {
    if (!text_) {
      const int status = bcf_read(file_, header_, record_);
      if (status < -1) {
        throw InputError(path_ + " record " + std::to_string(records_ + 1) + ": not a valid BCF record");
      }
      return status == 0;
    }
    do {
      const int status = hts_getline(file_, KS_SEP_LINE, &line_);
      if (status < -1) {
        throw InputError(lineError(path_, file_->lineno + 1, "cannot be read (damaged compression?)"));
      }
      if (status < 0) {
        return false;
      }
      if (line_.l > 0 && line_.s[line_.l - 1] == '\r') {
        line_.s[--line_.l] = '\0';
      }
    } while (blankLine(std::string(line_.s, line_.l)));
    lineText_.assign(line_.s, line_.l);
    checkColumns();
    if (vcf_parse(&line_, header_, record_) != 0) {
      throw InputError(lineError(path_, file_->lineno, "htslib cannot parse this VCF record"));
    }
    return true;
  }

  void checkColumns() const {
    const std::size_t samples = static_cast<std::size_t>(bcf_hdr_nsamples(header_));
    const std::size_t expected = samples == 0 ? 8 : 9 + samples;
    std::size_t columns = 1;
    for (char c : lineText_) {
      columns += c == '\t' ? 1 : 0;
    }
    if (columns != expected && !(samples == 0 && columns == 9)) {
      throw InputError(lineError(path_, file_->lineno,
                                 "expected " + std::to_string(expected) + " tab-separated fields (8 + FORMAT + " +
                                     std::to_string(samples) + " samples), found " + std::to_string(columns)));
    }
    const std::string pos = field(2);
    bool digits = !pos.empty();
    for (char c : pos) {
      digits = digits && c >= '0' && c <= '9';
    }
    if (!digits || pos.size() > 12 || std::stoll(pos) < 1) {
      throw InputError(fieldError(path_, file_->lineno, 2, pos, "is not a valid position"));
    }
  }

  // Field `n` (1-based) of the current text line.
  std::string field(std::size_t n) const {
    std::size_t start = 0;
    for (std::size_t k = 1; k < n; ++k) {
      start = lineText_.find('\t', start) + 1;
    }
    const std::size_t end = lineText_.find('\t', start);
    return lineText_.substr(start, end == std::string::npos ? std::string::npos : end - start);
  }

  std::string where() const {
    return text_ ? path_ + " line " + std::to_string(file_->lineno)
                 : path_ + " record " + std::to_string(records_);
  }

  // A bad genotype of VCF column j: its line and field, or its record and sample.
  [[noreturn]] void genotypeError(int j, const std::string& what) const {
    if (text_) {
      const std::size_t n = 10 + static_cast<std::size_t>(j);
      throw InputError(fieldError(path_, file_->lineno, n, field(n), what));
    }
    throw InputError(where() + ", sample '" + shorten(header_->samples[j]) + "': " + what);
  }

  void genotypes(std::vector<std::int32_t>& calls) {
    const int samples = bcf_hdr_nsamples(header_);
    calls.assign(2 * static_cast<std::size_t>(samples), -1);
    const int total = bcf_get_genotypes(header_, record_, &gt_, &gtCapacity_);
    if (total == -3 || samples == 0) {
      return;  // no GT at this site: every genotype is missing
    }
    if (total < 0 || total % samples != 0) {
      throw InputError(where() + ": its GT field cannot be read");
    }
    const int ploidy = total / samples;
    for (int j = 0; j < samples; ++j) {
      const std::int32_t* gt = gt_ + static_cast<std::size_t>(j) * ploidy;
      int found = 0;
      std::int32_t copies[2] = {-1, -1};
      for (int k = 0; k < ploidy && gt[k] != bcf_int32_vector_end; ++k) {
        if (found == 2) {
          genotypeError(j, "has more than two alleles in GT; only diploid and haploid calls are read");
        }
        copies[found++] = bcf_gt_is_missing(gt[k]) ? -1 : bcf_gt_allele(gt[k]);
        if (copies[found - 1] < -1 || copies[found - 1] >= record_->n_allele) {
          genotypeError(j, "names an allele the record does not have in GT");
        }
      }
      // A haploid call (a man's X outside the pseudo-autosomal regions) is
      // written as two equal alleles, as kintex expects.
      calls[2 * j] = copies[0];
      calls[2 * j + 1] = found == 1 ? copies[0] : copies[1];
    }
  }

  std::string path_;
  htsFile* file_ = nullptr;
  bcf_hdr_t* header_ = nullptr;
  bcf1_t* record_ = nullptr;
  bool text_ = true;
  kstring_t line_ = KS_INITIALIZE;
  std::string lineText_;
  std::int32_t* gt_ = nullptr;
  int gtCapacity_ = 0;
  long long records_ = 0;
};

class VcfSource : public GenotypeSource {
 public:
  VcfSource(const std::string& vcfPath, const std::string& famPath) : samples_(readFam(famPath)) {
    hts_set_log_level(HTS_LOG_OFF);
    {
      // First pass: every record is checked and counted before any is used.
      VcfFile scan(vcfPath);
      column_ = matchSamples(scan.header(), samples_, vcfPath, famPath);
      MarkerInfo info;
      while (scan.next(info, calls_)) {
        ++markers_;
      }
    }
    file_ = std::make_unique<VcfFile>(vcfPath);
  }

  const std::vector<Sample>& samples() const override { return samples_; }
  std::size_t markerCount() const override { return markers_; }

  bool next(MarkerInfo& info, std::vector<std::int32_t>& codes) override {
    if (!file_->next(info, calls_)) {
      return false;
    }
    codes.assign(2 * samples_.size(), 0);
    for (std::size_t j = 0; j < column_.size(); ++j) {
      for (std::size_t k = 0; k < 2; ++k) {
        codes[2 * column_[j] + k] = calls_[2 * j + k] + 1;  // REF is code 1, missing 0
      }
    }
    return true;
  }

 private:
  std::vector<Sample> samples_;
  std::vector<std::size_t> column_;
  std::vector<std::int32_t> calls_;
  std::size_t markers_ = 0;
  std::unique_ptr<VcfFile> file_;
};

}  // namespace

std::unique_ptr<GenotypeSource> openVcf(const std::string& vcfPath, const std::string& famPath) {
  return std::make_unique<VcfSource>(vcfPath, famPath);
}

}  // namespace io
