// PLINK text fileset reader: the .map markers and the sample-major .ped,
// loaded whole and handed out marker by marker.
#include "io/readers.h"
#include "io/textfields.h"

namespace io {

namespace {

// A .map marker, or a marker PLINK's negative position says to leave out.
struct MapMarker {
  MarkerInfo info;
  bool kept = true;
};

std::vector<MapMarker> readMap(const std::string& path) {
  LineReader reader(path);
  std::vector<MapMarker> markers;
  std::string line;
  while (reader.next(line)) {
    if (blankLine(line)) {
      continue;
    }
    const std::vector<std::string> fields = splitFields(line);
    if (fields.size() != 4) {
      throw InputError(lineError(path, reader.lineNo(),
                                 "expected 4 fields (chromosome, name, centimorgans, position), found " +
                                     std::to_string(fields.size())));
    }
    MapMarker marker;
    marker.info.chrom = fields[0];
    marker.info.name = fields[1];
    checkCentimorgans(fields[2], path, reader.lineNo(), 3);
    marker.info.pos = parsePosition(fields[3], path, reader.lineNo(), 4);
    marker.kept = marker.info.pos >= 0;
    markers.push_back(std::move(marker));
  }
  if (markers.empty()) {
    throw InputError(path + ": holds no markers");
  }
  return markers;
}

class PlinkTextSource : public GenotypeSource {
 public:
  PlinkTextSource(const std::string& pedPath, const std::string& mapPath) {
    std::vector<MapMarker> map = readMap(mapPath);
    for (MapMarker& m : map) {
      if (m.kept) {
        markers_.push_back(std::move(m.info));
      }
    }
    coders_.resize(markers_.size());
    readPed(pedPath, map);
    for (std::size_t m = 0; m < markers_.size(); ++m) {
      markers_[m].alleles = coders_[m].alleles();
    }
    coders_.clear();
  }

  const std::vector<Sample>& samples() const override { return samples_; }
  std::size_t markerCount() const override { return markers_.size(); }

  bool next(MarkerInfo& info, std::vector<std::int32_t>& codes) override {
    if (next_ == markers_.size()) {
      return false;
    }
    const std::size_t width = 2 * markers_.size();
    codes.resize(2 * samples_.size());
    for (std::size_t i = 0; i < samples_.size(); ++i) {
      codes[2 * i] = calls_[i * width + 2 * next_];
      codes[2 * i + 1] = calls_[i * width + 2 * next_ + 1];
    }
    info = markers_[next_];
    ++next_;
    return true;
  }

 private:
  void readPed(const std::string& path, const std::vector<MapMarker>& map) {
    LineReader reader(path);
    const std::size_t expected = 6 + 2 * map.size();
    std::string line;
    while (reader.next(line)) {
      if (blankLine(line)) {
        continue;
      }
      const std::vector<std::string> fields = splitFields(line);
      if (fields.size() != expected) {
        throw InputError(lineError(path, reader.lineNo(),
                                   "expected " + std::to_string(expected) + " fields (6 + 2 x " +
                                       std::to_string(map.size()) + " markers of the .map), found " +
                                       std::to_string(fields.size())));
      }
      samples_.push_back(pedigreeColumns(fields, path, reader.lineNo()));
      std::size_t kept = 0;
      for (std::size_t m = 0; m < map.size(); ++m) {
        if (map[m].kept) {
          calls_.push_back(coders_[kept].code(fields[6 + 2 * m]));
          calls_.push_back(coders_[kept].code(fields[7 + 2 * m]));
          ++kept;
        }
      }
    }
    if (samples_.empty()) {
      throw InputError(path + ": holds no individuals");
    }
  }

  std::vector<Sample> samples_;
  std::vector<MarkerInfo> markers_;
  std::vector<AlleleCoder> coders_;  // while the .ped is read
  std::vector<std::int32_t> calls_;  // sample-major: 2 codes per kept marker per sample
  std::size_t next_ = 0;
};

}  // namespace

std::unique_ptr<GenotypeSource> openPlinkText(const std::string& pedPath, const std::string& mapPath) {
  return std::make_unique<PlinkTextSource>(pedPath, mapPath);
}

}  // namespace io
