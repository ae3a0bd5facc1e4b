// Named-option run: input, marker plan, batches of analyses, the three outputs.
#include "driver/studyrun.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

#include "analysis/engine.h"
#include "driver/batch.h"
#include "driver/outputs.h"
#include "driver/progress.h"
#include "family/codings.h"
#include "io/readers.h"
#include "io/textfields.h"
#include "platform/threads.h"
#include "study/drawstream.h"
#include "study/genotypes.h"
#include "study/pedigree.h"

namespace {

// Markers per pedigree table: memory stays bounded whatever the marker count.
constexpr std::size_t kBatchMarkers = 256;
constexpr std::size_t kFillMarkers = 16;
// Messages per kind of problem written to the log; the counts are always complete.
constexpr std::size_t kMessagesPerKind = 1000;

std::unique_ptr<io::GenotypeSource> openSource(const RunOptions& o) {
  const std::vector<std::string>& f = o.inputs;
  switch (o.format) {
    case InputFormat::PlinkBinary:
      return io::openPlinkBinary(f[0], f[1], f[2]);
    case InputFormat::PlinkText:
      return io::openPlinkText(f[0], f[1]);
    case InputFormat::Vcf:
      return io::openVcf(f[0], f[1]);
    case InputFormat::Kintex:
      break;
  }
  return io::openKintex(f[0]);
}

// The selected markers of this run: positions [first, last) among the
// selected markers in file order.
struct MarkerPlan {
  std::size_t selected = 0;
  std::size_t first = 0;
  std::size_t last = 0;
};

// Counts the selected markers. Names and chromosomes are only known by
// reading the marker list, which a second reader does before any output
// is made (so an unknown name is an error, not an empty result).
MarkerPlan planMarkers(const RunOptions& o, const io::GenotypeSource& source) {
  const MarkerSelection& sel = o.selection;
  const std::size_t count = source.markerCount();
  if (count != io::kUnknownMarkerCount && sel.largestIndex() > count) {
    throw io::InputError("--markers: index " + std::to_string(sel.largestIndex()) + " is beyond the " +
                         std::to_string(count) + " markers of the input");
  }
  MarkerPlan plan;
  const bool readList = sel.filtersByName() || !sel.chromosomes.empty() || count == io::kUnknownMarkerCount;
  if (readList) {
    std::unique_ptr<io::GenotypeSource> list = openSource(o);
    io::MarkerInfo info;
    std::vector<std::int32_t> codes;
    std::set<std::string> found;
    for (std::size_t index = 1; list->next(info, codes); ++index) {
      if (sel.selects(index, info)) {
        ++plan.selected;
        found.insert(info.name);
      }
    }
    for (const std::string& name : sel.names) {
      if (found.count(name) == 0) {
        throw io::InputError("--markers: no marker named '" + io::shorten(name) + "'" +
                             (sel.chromosomes.empty() ? "" : " on the chromosomes of --chr"));
      }
    }
  } else {
    const io::MarkerInfo none;
    for (std::size_t index = 1; index <= count; ++index) {
      plan.selected += sel.selects(index, none) ? 1 : 0;
    }
  }
  std::tie(plan.first, plan.last) = chunkRange(plan.selected, o.chunk.value_or(Chunk{}));
  return plan;
}

// Messages of one kind of problem, the first kMessagesPerKind kept.
struct MessageList {
  std::size_t count = 0;
  std::vector<std::string> kept;
  void add(const std::string& text) {
    if (++count <= kMessagesPerKind) {
      kept.push_back(text);
    }
  }
  void write(std::ostream& out) const {
    for (const std::string& text : kept) {
      out << "  " << text << "\n";
    }
    if (count > kept.size()) {
      out << "  ... and " << (count - kept.size()) << " more\n";
    }
  }
};

// Text gathered for one write to a file, appended by plain copies: the
// informative table is hundreds of thousands of short pieces.
class TextChunk {
 public:
  void append(std::string_view text) {
    if (used_ + text.size() > text_.size()) {
      text_.resize(std::max(2 * text_.size(), used_ + text.size()));
    }
    std::memcpy(&text_[used_], text.data(), text.size());
    used_ += text.size();
  }
  std::size_t size() const { return used_; }
  std::string_view view() const { return std::string_view(text_.data(), used_); }
  // Gives back the memory (the text is no longer needed).
  void release() {
    std::string().swap(text_);
    used_ = 0;
  }
  // Writes the text gathered so far and starts again.
  void writeTo(std::ostream& out) {
    out.write(text_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  std::string text_;
  std::size_t used_ = 0;
};

// A marker waiting in the current batch.
struct PendingMarker {
  io::MarkerInfo info;
  bool xlinked = false;
  std::vector<int> alleles;  // the codes present in its genotypes, ascending
};

// Per nuclear family: "pedigree<TAB>father<TAB>mother<LF>", written once per
// informative analysis of the family.
std::vector<std::string> familyColumnsOf(const StudyPedigree& p) {
  std::vector<std::string> columns;
  const FamilyList& f = p.families;
  for (std::size_t i = 0; i < f.pedIds.size(); ++i) {
    columns.push_back(p.familyName(f.pedIds[i]) + '\t' + p.individualName(f.fatherIds[i]) + '\t' +
                      p.individualName(f.motherIds[i]) + '\n');
  }
  return columns;
}

class StudyRun {
 public:
  StudyRun(const RunOptions& o, io::GenotypeSource& source, const StudyPedigree& pedigree, OutputFiles& files)
      : o_(o),
        source_(source),
        pedigree_(pedigree),
        tsv_(files[0]),
        informative_(files[2]),
        familyColumns_(familyColumnsOf(pedigree)),
        started_(std::time(nullptr)) {}

  void run(const MarkerPlan& plan);
  void writeLog(std::ostream& log, const MarkerPlan& plan, double seconds) const;
  std::size_t warningCount() const {
    return pedigree_.qc.warnings.size() + hetMen_.count + mendelian_.count + (noFamily() ? 1 : 0) +
           (nothingSelected() ? 1 : 0);
  }

 private:
  bool noFamily() const { return pedigree_.families.pedIds.empty(); }
  // Chunks may be empty (more chunks than markers); a selection may not.
  bool nothingSelected() const { return analysed_ == 0 && !o_.chunk; }
  bool isXLinked(const io::MarkerInfo& info) const {
    return o_.format == InputFormat::Kintex ? o_.xlinked : io::isXChromosome(info.chrom, info.pos, o_.build);
  }
  void addMarker(const io::MarkerInfo& info, const std::vector<std::int32_t>& codes);
  void flush();
  void fillPending();
  void reportMendelian(const PendingMarker& marker, int slot, const std::set<long>& peds);
  std::vector<AnalysisJob> jobsOf(int slot, const PendingMarker& marker, const std::vector<int>& alleles) const;
  void writeRow(const PendingMarker& marker, const AnalysisJob& job, const AnalysisResult& r, std::string& rows,
                TextChunk& families) const;

  const RunOptions& o_;
  io::GenotypeSource& source_;
  const StudyPedigree& pedigree_;
  std::ofstream& tsv_;
  std::ofstream& informative_;
  PedTable table_;
  std::vector<PendingMarker> pending_;
  // The codes of the last pending markers, not yet in the table: written
  // kFillMarkers at a time, row by row.
  std::vector<std::vector<std::int32_t>> unfilled_;
  std::vector<std::pair<std::string, std::size_t>> byChromosome_;  // in order of first appearance
  std::size_t analysed_ = 0;
  std::size_t xlinkedMarkers_ = 0;
  std::size_t analyses_ = 0;
  std::size_t markersWithErrors_ = 0;
  MessageList hetMen_;
  MessageList mendelian_;
  // Per nuclear family, its last three columns of the informative table.
  std::vector<std::string> familyColumns_;
  std::time_t started_;
};

void StudyRun::run(const MarkerPlan& plan) {
  tsv_ << "chrom\tpos\tmarker\tallele\tnull\tmodel\txlinked\tinformative\tS\tE_S\tVar_S\tp\n";
  informative_ << "marker\tallele\tnull\tmodel\tpedigree\tfather\tmother\n";
  table_ =
      pedigreeTable(pedigree_, std::min(kBatchMarkers, std::max<std::size_t>(plan.last - plan.first, 1)));
  Progress progress(plan.last - plan.first);
  io::MarkerInfo info;
  std::vector<std::int32_t> codes;
  std::size_t position = 0;  // among the selected markers
  for (std::size_t index = 1; position < plan.last && source_.next(info, codes); ++index) {
    if (!o_.selection.selects(index, info)) {
      continue;
    }
    if (position++ < plan.first) {
      continue;
    }
    addMarker(info, codes);
    if (pending_.size() == kBatchMarkers) {
      flush();
      progress.update(analysed_);
    }
  }
  flush();
  progress.update(analysed_);
  progress.finish();
}

void StudyRun::addMarker(const io::MarkerInfo& info, const std::vector<std::int32_t>& codes) {
  PendingMarker marker{info, isXLinked(info), {}};
  std::vector<std::int32_t> own(codes);  // the reader reuses its buffer
  for (std::size_t i : clearHeterozygousMen(own, pedigree_, marker.xlinked)) {
    const auto& row = pedigree_.columns[i];
    hetMen_.add("marker " + info.name + ": family " + pedigree_.familyName(row[0]) + ", individual " +
                pedigree_.individualName(row[1]) + ": a man with two different alleles on X; set missing");
  }
  auto chrom = std::find_if(byChromosome_.begin(), byChromosome_.end(),
                            [&](const auto& entry) { return entry.first == info.chrom; });
  if (chrom == byChromosome_.end()) {
    byChromosome_.emplace_back(info.chrom, 1);
  } else {
    ++chrom->second;
  }
  xlinkedMarkers_ += marker.xlinked ? 1 : 0;
  ++analysed_;
  marker.alleles = allelesOfCodes(own);
  pending_.push_back(std::move(marker));
  unfilled_.push_back(std::move(own));
  if (unfilled_.size() == kFillMarkers) {
    fillPending();
  }
}

void StudyRun::fillPending() {
  const int first = static_cast<int>(pending_.size() - unfilled_.size()) + 1;
  fillMarkers(table_, first, unfilled_);
  unfilled_.clear();
}

// The allele string of a code of the marker.
std::string alleleName(const io::MarkerInfo& info, int code) {
  return code >= 1 && static_cast<std::size_t>(code) <= info.alleles.size() ? info.alleles[code - 1]
                                                                            : std::to_string(code);
}

// Every allele present in the marker's genotypes, in code order, under every
// null and model asked for, in that order.
std::vector<AnalysisJob> StudyRun::jobsOf(int slot, const PendingMarker& marker,
                                          const std::vector<int>& alleles) const {
  std::vector<AnalysisJob> jobs;
  for (int k = 0; k < static_cast<int>(alleles.size()); ++k) {
    for (int null : o_.nulls) {
      for (int model : o_.models) {
        AnalysisJob job{slot, k, alleles, marker.xlinked ? 1 : 0, null, model, std::nullopt};
        if (null == 1) {
          job.drawState = drawStreamState(o_.seed, marker.info.name, alleleName(marker.info, alleles[k]));
        }
        jobs.push_back(std::move(job));
      }
    }
  }
  return jobs;
}

// The batch's text, written in job order as the analyses finish: whichever
// worker completes the next jobs in order writes them (and every later job
// already done), so only the few jobs done out of order wait as text.
class OrderedOutput {
 public:
  OrderedOutput(std::size_t jobs, std::ofstream& tsv, std::ofstream& informative)
      : rows_(jobs), families_(jobs), done_(jobs, 0), tsv_(tsv), informative_(informative) {}

  std::string& rowsOf(std::size_t job) { return rows_[job]; }
  TextChunk& familiesOf(std::size_t job) { return families_[job]; }

  // Jobs [first, last) have their text. writeJob(n) is called for every job
  // that can now be written, in order, one thread at a time.
  template <class WriteJob>
  void finished(std::size_t first, std::size_t last, WriteJob writeJob) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fill(done_.begin() + static_cast<std::ptrdiff_t>(first), done_.begin() + static_cast<std::ptrdiff_t>(last),
              1);
    for (; next_ < done_.size() && done_[next_] != 0; ++next_) {
      rowText_.append(rows_[next_]);
      familyText_.append(families_[next_].view());
      std::string().swap(rows_[next_]);
      families_[next_].release();
      writeJob(next_);
      if (familyText_.size() >= kWriteChunk) {
        familyText_.writeTo(informative_);
      }
    }
  }
  // Writes what is left (every job has finished).
  void close() {
    rowText_.writeTo(tsv_);
    familyText_.writeTo(informative_);
  }

 private:
  // Written a megabyte at a time: the informative table is the run's
  // largest output, and a buffer of it whole would only be more memory.
  static constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
  std::vector<std::string> rows_;
  std::vector<TextChunk> families_;
  std::vector<char> done_;
  std::size_t next_ = 0;
  TextChunk rowText_;
  TextChunk familyText_;
  std::ofstream& tsv_;
  std::ofstream& informative_;
  std::mutex mutex_;
};

void StudyRun::flush() {
  if (pending_.empty()) {
    return;
  }
  fillPending();
  std::vector<AnalysisJob> jobs;
  std::vector<std::size_t> markerOfJob;
  for (std::size_t j = 0; j < pending_.size(); ++j) {
    std::vector<AnalysisJob> own = jobsOf(static_cast<int>(j) + 1, pending_[j], pending_[j].alleles);
    markerOfJob.insert(markerOfJob.end(), own.size(), j);
    std::move(own.begin(), own.end(), std::back_inserter(jobs));
  }
  // Each analysis's lines are made on the worker that ran it, as soon as its
  // marker is done; the families' conflicts of a marker are reported once
  // its last analysis is written (in marker order, as the log lists them).
  OrderedOutput output(jobs.size(), tsv_, informative_);
  std::set<long> incompatible;
  runJobs(table_, pedigree_.families, jobs, o_.threads,
          [&](std::size_t first, std::size_t last, std::vector<AnalysisResult>& results) {
            for (std::size_t n = first; n < last; ++n) {
              writeRow(pending_[markerOfJob[n]], jobs[n], results[n], output.rowsOf(n), output.familiesOf(n));
              std::vector<FamilyId>().swap(results[n].informativeFamilies);  // in the text now
            }
            output.finished(first, last, [&](std::size_t n) {
              incompatible.insert(results[n].incompatiblePeds.begin(), results[n].incompatiblePeds.end());
              const std::size_t j = markerOfJob[n];
              if (n + 1 == jobs.size() || markerOfJob[n + 1] != j) {
                reportMendelian(pending_[j], static_cast<int>(j) + 1, incompatible);
                incompatible.clear();
              }
            });
          });
  output.close();
  analyses_ += jobs.size();
  pending_.clear();
}

// Families whose genotypes at the marker no parents explain: the tests
// leave them out of the marker's analyses. The tests name only the pedigree;
// the log names its nuclear families and children at fault where the typed
// parents show it, else the pedigree (a conflict among siblings alone).
void StudyRun::reportMendelian(const PendingMarker& marker, int slot, const std::set<long>& peds) {
  if (!peds.empty()) {
    ++markersWithErrors_;
  }
  const FamilyList& f = pedigree_.families;
  for (long ped : peds) {
    bool named = false;
    for (std::size_t i = 0; i < f.pedIds.size(); ++i) {
      const FamilyId family{f.pedIds[i], f.fatherIds[i], f.motherIds[i]};
      const std::vector<std::string> children =
          family.ped == ped ? mendelianConflicts(table_, pedigree_, family, slot, marker.xlinked)
                            : std::vector<std::string>{};
      std::string who;
      for (const std::string& child : children) {
        who += (who.empty() ? "individual " : ", ") + child;
      }
      if (!children.empty()) {
        named = true;
        mendelian_.add("marker " + marker.info.name + ": " + describeFamily(pedigree_, family) + ", " + who +
                       ": genotypes the parents cannot explain; family left out of this marker");
      }
    }
    if (!named) {
      mendelian_.add("marker " + marker.info.name + ": family " + pedigree_.familyName(ped) +
                     ": the children's genotypes no parents can explain; left out of this marker");
    }
  }
}

// Appends the analysis's line of the result table to `rows` and its
// informative families to `families` (the caller writes them in job order).
void StudyRun::writeRow(const PendingMarker& marker, const AnalysisJob& job, const AnalysisResult& r,
                        std::string& rows, TextChunk& families) const {
  const io::MarkerInfo& info = marker.info;
  const std::string allele = alleleName(info, job.alleles[job.k]);
  const std::string setting = std::to_string(job.null) + '\t' + modelShort(job.model);
  rows += info.chrom + '\t' + (info.pos > 0 ? std::to_string(info.pos) : "NA") + '\t' + info.name + '\t' + allele +
          '\t' + setting + '\t' + std::to_string(job.xlinked) + '\t' + std::to_string(r.informative);
  for (double value : {r.S, r.expected, r.variance, r.p}) {
    rows += '\t';
    rows += r.informative < 1 ? "NA" : formatNumber(value);
  }
  rows += '\n';
  const std::string prefix = info.name + '\t' + allele + '\t' + setting + '\t';
  // The informative families come in family-list order: one walk finds each.
  const FamilyList& list = pedigree_.families;
  std::size_t f = 0;
  for (const FamilyId& family : r.informativeFamilies) {
    const auto same = [&](std::size_t i) {
      return list.pedIds[i] == family.ped && list.fatherIds[i] == family.father && list.motherIds[i] == family.mother;
    };
    while (f < list.pedIds.size() && !same(f)) {
      ++f;
    }
    families.append(prefix);
    if (f < list.pedIds.size()) {
      families.append(familyColumns_[f]);
    } else {  // not in list order after all: the names one by one
      families.append(pedigree_.familyName(family.ped) + '\t' + pedigree_.individualName(family.father) + '\t' +
                      pedigree_.individualName(family.mother) + '\n');
      f = 0;
    }
  }
}

std::string nullWords(int null) {
  return null == 0 ? "0, \"no linkage, no association\"" : "1, \"linkage, no association\"";
}

void StudyRun::writeLog(std::ostream& log, const MarkerPlan& plan, double seconds) const {
  char date[64];
  std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S %z", std::localtime(&started_));
  log << "kintex " << KINTEX_VERSION << "\n" << o_.commandLine << "\nStarted: " << date << "\n\nSettings\n";
  for (int null : o_.nulls) {
    log << "  null hypothesis " << nullWords(null) << "\n";
  }
  for (int model : o_.models) {
    log << "  model: " << modelName(model) << "\n";
  }
  if (o_.format == InputFormat::Kintex) {
    log << "  X-linked test: " << (o_.xlinked ? "every marker (--xlinked)" : "no marker (autosomal test)")
        << "\n";
  } else {
    log << "  X-linked test: markers on X (X, 23, chrX) outside the pseudo-autosomal regions of "
        << (o_.build == io::GenomeBuild::GRCh38 ? "GRCh38" : "GRCh37") << "; autosomal test for the rest\n";
  }
  log << "  markers: " << (o_.markersText.empty() ? "all" : o_.markersText)
      << (o_.chrText.empty() ? "" : ", chromosomes " + o_.chrText) << "\n";
  if (o_.chunk) {
    log << "  chunk " << o_.chunk->index << " of " << o_.chunk->count << ": selected markers "
        << plan.first + 1 << " to " << plan.last << " of " << plan.selected << "\n";
  }
  log << "  seed " << o_.seed
      << " (pair draws under \"linkage, no association\": one stream per marker and allele)\n"
      << "  threads: " << o_.threads << "\n\nInput\n";
  for (const std::string& file : o_.inputs) {
    log << "  " << file << "\n";
  }
  int males = 0, females = 0, affected = 0;
  for (const auto& row : pedigree_.columns) {
    males += row[4] == 1;
    females += row[4] == 2;
    affected += row[5] == 2;
  }
  const FamilyKinds kinds = familyKinds(pedigree_);
  log << "  individuals: " << pedigree_.size() << " (" << males << " male, " << females << " female, "
      << pedigree_.size() - males - females << " unknown sex; " << affected << " affected) in "
      << pedigree_.familyNames.size() << " families\n"
      << "  nuclear families analysed: " << pedigree_.families.pedIds.size() << "\n";
  const char* parents[] = {"no parent", "one parent", "both parents"};
  for (int p = 2; p >= 0; --p) {
    log << "    with " << parents[p] << " in the file: " << kinds[p][0] << " with one child, " << kinds[p][1]
        << " with two or more\n";
  }
  log << "  markers in the input: " << source_.markerCount() << "; analysed: " << analysed_ << " ("
      << xlinkedMarkers_ << " with the X-linked test)\n";
  for (const auto& [chrom, count] : byChromosome_) {
    log << "    chromosome " << chrom << ": " << count << "\n";
  }
  log << "  analyses: " << analyses_ << "\n\nQuality control\n";
  const PedigreeQc& qc = pedigree_.qc;
  log << "  parents without a record (taken as untyped parents): " << qc.missingParents << "\n"
      << "  individuals with one parent given (taken as founders): " << qc.singleParent << "\n"
      << "  nuclear families left out, a parent of the wrong sex: " << qc.wrongSexParents << "\n"
      << "  families left out, someone their own ancestor: " << qc.cyclePedigrees << "\n"
      << "  men with two different alleles on X (set missing): " << hetMen_.count << "\n"
      << "  families with genotypes no parents can explain (per marker, left out): " << mendelian_.count
      << ", at " << markersWithErrors_ << " markers\n";
  log << "\nWarnings\n";
  if (noFamily()) {
    log << "  the pedigree holds no nuclear family: nothing can be informative\n";
  }
  if (nothingSelected()) {
    log << "  no marker is selected\n";
  }
  for (const std::string& text : qc.warnings) {
    log << "  " << text << "\n";
  }
  hetMen_.write(log);
  mendelian_.write(log);
  char time[32];
  std::snprintf(time, sizeof time, "%.1f", seconds);
  log << "\nRun time: " << time << " s\n";
}

// An output that is also an input would be destroyed.
std::string outputClash(const RunOptions& o, const std::vector<std::string>& outputs) {
  for (const std::string& out : outputs) {
    for (const std::string& in : o.inputs) {
      if (sameFile(out, in)) {
        return "output " + out + " is the input file " + in;
      }
    }
  }
  return "";
}

}  // namespace

int runStudy(const RunOptions& o) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> paths = {o.out + ".tsv", o.out + ".log", o.out + ".informative.tsv"};
  // Started while the input is read, so that they run by the first batch.
  startWorkers(static_cast<std::size_t>(workerCount(o.threads) - 1));
  try {
    const std::string clash = outputClash(o, paths);
    if (!clash.empty()) {
      throw io::InputError(clash);
    }
    std::unique_ptr<io::GenotypeSource> source = openSource(o);
    const StudyPedigree pedigree = buildPedigree(source->samples());
    const MarkerPlan plan = planMarkers(o, *source);
    RunOptions run = o;
    if (run.threads == 0) {
      run.threads = workerCount(0);
    }
    OutputFiles files;
    std::string error;
    if (!files.open(paths, error)) {
      throw io::InputError(error);
    }
    StudyRun study(run, *source, pedigree, files);
    study.run(plan);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    study.writeLog(files[1], plan, seconds);
    if (!files.commit(error)) {
      throw io::InputError(error);
    }
    if (study.warningCount() > 0) {
      std::cerr << "kintex: " << study.warningCount() << " warning(s), see " << paths[1] << "\n";
    }
  } catch (const io::InputError& e) {
    std::cerr << "kintex: error: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
