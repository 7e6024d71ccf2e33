#include "compare/statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

#include "compare/random.h"

namespace compare {
namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return kNaN;
  const size_t mid = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + mid, values.end());
  const double upper = values[mid];
  if (values.size() % 2 == 1) return upper;
  return (*std::max_element(values.begin(), values.begin() + mid) + upper) / 2;
}

// The p-quantile of sorted values, interpolating between neighbours.
double Quantile(const std::vector<double>& sorted, double p) {
  const double at = p * static_cast<double>(sorted.size() - 1);
  const size_t below = static_cast<size_t>(std::floor(at));
  if (below + 1 >= sorted.size()) return sorted.back();
  return sorted[below] + (at - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

bool Counted(const Round& r, size_t variant, size_t warmup) {
  return r.variant == variant && r.block >= warmup && !std::isnan(RoundFps(r));
}

double NormalCdf(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

}  // namespace

double RoundFps(const Round& round) {
  if (!(round.wall_seconds > 0) || !std::isfinite(round.wall_seconds)) return kNaN;
  return static_cast<double>(round.frames) / round.wall_seconds;
}

VariantStats ComputeVariantStats(const std::vector<Round>& rounds, size_t variant, size_t warmup) {
  VariantStats s;
  std::vector<double> fps;
  std::vector<size_t> blocks;
  double cpu = 0;
  uint64_t frames = 0;
  for (const Round& r : rounds) {
    if (r.variant != variant) continue;
    s.peak_memory_bytes = std::max(s.peak_memory_bytes, r.peak_memory_bytes);
    s.threads = std::max(s.threads, r.threads);
    if (!Counted(r, variant, warmup)) continue;
    fps.push_back(RoundFps(r));
    blocks.push_back(r.block);
    cpu += r.cpu_seconds;
    frames += r.frames;
  }
  s.rounds = fps.size();
  if (fps.empty()) return s;
  s.median_fps = Median(fps);
  std::vector<double> deviations;
  for (double f : fps) deviations.push_back(std::fabs(f - s.median_fps));
  s.mad_fps = kMadScale * Median(deviations);
  for (size_t i = 0; i < fps.size(); ++i) {
    if (s.mad_fps > 0 && deviations[i] > kOutlierMads * s.mad_fps) {
      s.outlier_blocks.push_back(blocks[i]);
    }
  }
  double sum = 0;
  for (double f : fps) sum += f;
  s.mean_fps = sum / static_cast<double>(fps.size());
  if (fps.size() >= 2) {
    double squares = 0;
    for (double f : fps) squares += (f - s.mean_fps) * (f - s.mean_fps);
    s.sd_fps = std::sqrt(squares / static_cast<double>(fps.size() - 1));
  }
  if (frames > 0) s.cpu_ms_per_frame = 1000.0 * cpu / static_cast<double>(frames);
  return s;
}

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::kFaster: return "faster";
    case Verdict::kSlower: return "slower";
    case Verdict::kSame: return "same";
    case Verdict::kUndecided: return "undecided";
  }
  return "undecided";
}

double StudentTCoverage(double t, size_t df) {
  if (df == 0 || !(t > 0)) return 0;
  // The finite series for whole degrees of freedom, in theta = atan(t / sqrt(df)).
  const double theta = std::atan(t / std::sqrt(static_cast<double>(df)));
  const double s = std::sin(theta), c = std::cos(theta), c2 = c * c;
  double sum = 0, term = 1;
  if (df % 2 == 1) {
    for (size_t k = 1; 2 * k + 1 <= df; ++k) {
      sum += term;
      term *= c2 * static_cast<double>(2 * k) / static_cast<double>(2 * k + 1);
    }
    return 2 / std::numbers::pi * (theta + s * c * sum);
  }
  for (size_t k = 1; 2 * k <= df; ++k) {
    sum += term;
    term *= c2 * static_cast<double>(2 * k - 1) / static_cast<double>(2 * k);
  }
  return s * sum;
}

double StudentT(double coverage, size_t df) {
  if (df == 0 || !(coverage > 0)) return df == 0 ? std::numeric_limits<double>::infinity() : 0;
  double low = 0, high = 1;
  while (StudentTCoverage(high, df) < coverage && high < 1e12) high *= 2;
  for (int i = 0; i < 100 && high - low > 1e-12 * high; ++i) {
    const double mid = (low + high) / 2;
    (StudentTCoverage(mid, df) < coverage ? low : high) = mid;
  }
  return (low + high) / 2;
}

Verdict Judge(double low, double high, double margin) {
  if (!std::isfinite(low) || !std::isfinite(high)) return Verdict::kUndecided;
  if (low >= 1 - margin && high <= 1 + margin) return Verdict::kSame;
  if (low > 1) return Verdict::kFaster;
  if (high < 1) return Verdict::kSlower;
  return Verdict::kUndecided;
}

Comparison Compare(const std::vector<Round>& rounds, size_t variant,
                   const CompareSettings& settings) {
  Comparison c;
  c.variant = variant;
  c.baseline = settings.baseline;
  // The pairs, block by block; a block counts once even if a caller
  // recorded a round twice.
  std::map<size_t, double> base_fps, variant_fps;
  for (const Round& r : rounds) {
    if (Counted(r, settings.baseline, settings.warmup)) base_fps[r.block] = RoundFps(r);
    if (Counted(r, variant, settings.warmup)) variant_fps[r.block] = RoundFps(r);
  }
  // A round without frames has no logarithm; it pairs with nothing.
  std::vector<double> logs;
  for (const auto& [block, fps] : variant_fps) {
    const auto base = base_fps.find(block);
    if (base != base_fps.end() && fps > 0 && base->second > 0) {
      logs.push_back(std::log(fps / base->second));
    }
  }
  c.pairs = logs.size();
  if (logs.empty()) return c;
  double sum = 0;
  for (double l : logs) sum += l;
  const double n = static_cast<double>(logs.size());
  c.ratio = std::exp(sum / n);
  if (logs.size() < 2) return c;
  // The stop rule's stricter interval is the t interval: it has no
  // resampling noise in its far tails, which the bootstrap would have.
  double squares = 0;
  for (double l : logs) squares += (l - sum / n) * (l - sum / n);
  const double half =
      StudentT(settings.stop_confidence, logs.size() - 1) * std::sqrt(squares / (n - 1) / n);
  const double low = std::exp(sum / n - half), high = std::exp(sum / n + half);
  const bool gate_known = settings.gate <= 0 || high < 1 - settings.gate || low > 1 - settings.gate;
  c.settled = Judge(low, high, settings.margin) != Verdict::kUndecided && gate_known;
  if (settings.resamples < 2) return c;

  Random random(Mix64(Mix64(settings.seed ^ 0x636f6d70ULL) + variant));
  std::vector<double> means(static_cast<size_t>(settings.resamples));
  for (double& mean : means) {
    double total = 0;
    for (size_t i = 0; i < logs.size(); ++i) total += logs[random.Below(logs.size())];
    mean = total / n;
  }
  std::sort(means.begin(), means.end());
  const double tail = NormalCdf(-std::sqrt(n / (n - 1)) * StudentT(kConfidence, logs.size() - 1));
  c.low = std::exp(Quantile(means, tail));
  c.high = std::exp(Quantile(means, 1 - tail));
  c.verdict = Judge(c.low, c.high, settings.margin);
  return c;
}

bool FailsGate(const Comparison& comparison, double percent) {
  return std::isfinite(comparison.high) && comparison.high < 1 - percent / 100;
}

bool EveryComparisonDecided(const std::vector<Comparison>& comparisons,
                            const std::vector<bool>& failed, size_t counted_blocks,
                            size_t min_blocks) {
  if (counted_blocks < min_blocks) return false;
  for (const Comparison& c : comparisons) {
    if (c.baseline < failed.size() && failed[c.baseline]) return true;
  }
  for (const Comparison& c : comparisons) {
    const bool gone = c.variant < failed.size() && failed[c.variant];
    if (!gone && c.variant != c.baseline && !c.settled) return false;
  }
  return true;
}

}  // namespace compare

