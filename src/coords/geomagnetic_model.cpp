#include "coords/geomagnetic_model.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>

#include "common/error.h"

namespace tarvik {
namespace {

constexpr double kRad = std::numbers::pi / 180;
constexpr double kReferenceRadiusKm = 6371.2;
constexpr double kWgs84A = 6378.137;  // km
constexpr double kWgs84F = 1 / 298.257223563;
constexpr int kMaxDegree = 30;

std::size_t Index(int n, int m) { return static_cast<std::size_t>(n * (n + 1) / 2 + m); }

bool IsInteger(const std::string& token) {
  if (token.empty()) return false;
  std::size_t i = token[0] == '-' || token[0] == '+' ? 1 : 0;
  if (i == token.size()) return false;
  for (; i < token.size(); ++i)
    if (token[i] < '0' || token[i] > '9') return false;
  return true;
}

bool Number(const std::string& token, double& value) {
  std::istringstream in(token);
  in.imbue(std::locale::classic());
  in >> value;
  return in && in.eof() && std::isfinite(value);
}

bool EndMark(const std::string& token) {
  return token.size() >= 10 && std::all_of(token.begin(), token.end(), [](char c) { return c == '9'; });
}

}  // namespace

double DecimalYear(int year, int month, int day) {
  static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int m = std::clamp(month, 1, 12);
  const int dayOfYear = before[m - 1] + (leap && m > 2 ? 1 : 0) + day - 1;
  return year + dayOfYear / (leap ? 366.0 : 365.0);
}

GeomagneticModel GeomagneticModel::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RunError("不能读取地磁模型文件 " + path);
  std::ostringstream text;
  text << in.rdbuf();
  // A real coefficient file is a few tens of kilobytes.
  if (text.str().size() > 4 * 1024 * 1024) throw RunError("地磁模型文件 " + path + " 太大，不是系数文件");
  return Parse(text.str(), path);
}

GeomagneticModel GeomagneticModel::Parse(const std::string& text, const std::string& what) {
  GeomagneticModel out;
  out.what_ = what;
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  const auto bad = [&](const std::string& why) {
    return RunError("地磁模型文件 " + what + " 第" + std::to_string(lineNumber) + "行" + why);
  };
  while (std::getline(lines, line)) {
    ++lineNumber;
    std::istringstream words(line);
    std::vector<std::string> t;
    for (std::string w; words >> w;) t.push_back(w);
    if (t.empty()) continue;
    if (EndMark(t[0])) break;
    if (t.size() >= 4 && IsInteger(t[0]) && IsInteger(t[1])) {
      if (out.models_.empty()) throw bad("的系数前没有模型的标题行");
      Model& m = out.models_.back();
      const int n = std::stoi(t[0]), k = std::stoi(t[1]);
      if (n < 1 || n > kMaxDegree || k < 0 || k > n) throw bad("的阶次不对：" + t[0] + " " + t[1]);
      double v[4] = {0, 0, 0, 0};
      for (std::size_t i = 0; i < 4 && i + 2 < t.size(); ++i) {
        // Trailing words of IGRF lines (the model's name, a line count).
        if (!Number(t[i + 2], v[i])) {
          if (i < 2) throw bad("的系数不是数字：" + t[i + 2]);
          v[i] = 0;
          break;
        }
      }
      const std::size_t need = Index(n, n) + 1;
      for (auto* c : {&m.g, &m.h, &m.dg, &m.dh})
        if (c->size() < need) c->resize(need, 0);
      const std::size_t at = Index(n, k);
      m.g[at] = v[0];
      m.h[at] = v[1];
      m.dg[at] = v[2];
      m.dh[at] = v[3];
      m.degree = std::max(m.degree, n);
      continue;
    }
    // A header: "epoch name date" (WMM) or "name epoch ... yearmin yearmax" (IGRF).
    Model m;
    double epoch = 0;
    if (t.size() >= 2 && Number(t[0], epoch)) {
      m.name = t[1];
      m.epoch = epoch;
      m.validUntil = epoch + 5;
    } else if (t.size() >= 2 && Number(t[1], epoch)) {
      m.name = t[0];
      m.epoch = epoch;
      double until = 0;
      m.validUntil = t.size() >= 7 && Number(t[6], until) && until > epoch ? until : epoch + 5;
    } else {
      throw bad("不是系数文件的内容：" + line.substr(0, 60));
    }
    out.models_.push_back(std::move(m));
  }
  std::erase_if(out.models_, [](const Model& m) { return m.degree == 0; });
  if (out.models_.empty()) throw RunError("地磁模型文件 " + what + " 中没有模型系数");
  std::stable_sort(out.models_.begin(), out.models_.end(),
                   [](const Model& a, const Model& b) { return a.epoch < b.epoch; });
  return out;
}

double GeomagneticModel::firstYear() const { return models_.front().epoch; }
double GeomagneticModel::lastYear() const { return models_.back().validUntil; }

double GeomagneticModel::declination(double latitude, double longitude, double heightKm, double year) const {
  if (!(year >= firstYear() && year <= lastYear())) {
    std::ostringstream range;
    range.imbue(std::locale::classic());
    range << firstYear() << "年至" << lastYear() << "年";
    throw RunError("地磁模型 " + what_ + " 只适用于" + range.str() + "，不能算" +
                   std::to_string(year).substr(0, 7) + "年的磁偏角");
  }
  // The coefficients at the year.
  std::size_t i = 0;
  while (i + 1 < models_.size() && models_[i + 1].epoch <= year) ++i;
  const Model& m = models_[i];
  const Model* next = i + 1 < models_.size() ? &models_[i + 1] : nullptr;
  const int N = next ? std::max(m.degree, next->degree) : m.degree;
  const std::size_t size = Index(N, N) + 1;
  std::vector<double> g(size, 0), h(size, 0);
  const auto at = [](const std::vector<double>& c, std::size_t k) { return k < c.size() ? c[k] : 0.0; };
  for (std::size_t k = 0; k < size; ++k) {
    if (next) {
      const double w = (year - m.epoch) / (next->epoch - m.epoch);
      g[k] = at(m.g, k) + w * (at(next->g, k) - at(m.g, k));
      h[k] = at(m.h, k) + w * (at(next->h, k) - at(m.h, k));
    } else {
      g[k] = at(m.g, k) + (year - m.epoch) * at(m.dg, k);
      h[k] = at(m.h, k) + (year - m.epoch) * at(m.dh, k);
    }
  }

  // The geocentric position of the geodetic point.
  const double phi = latitude * kRad, lambda = longitude * kRad;
  const double e2 = kWgs84F * (2 - kWgs84F);
  const double Nu = kWgs84A / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
  const double p = (Nu + heightKm) * std::cos(phi), z = (Nu * (1 - e2) + heightKm) * std::sin(phi);
  const double r = std::hypot(p, z), phiC = std::atan2(z, p);
  const double x = std::sin(phiC), y = std::cos(phiC);

  // Legendre functions of sin(phiC) in Gauss's normalisation, with their
  // derivatives by phiC, then Schmidt's factors.
  std::vector<double> P(size, 0), dP(size, 0), S(size, 0);
  P[0] = 1;
  S[0] = 1;
  for (int n = 1; n <= N; ++n) {
    for (int k = 0; k <= n; ++k) {
      const std::size_t nk = Index(n, k);
      if (n == k) {
        const std::size_t prev = Index(n - 1, n - 1);
        P[nk] = y * P[prev];
        dP[nk] = y * dP[prev] - x * P[prev];
      } else {
        const double K = n == 1 ? 0 : double((n - 1) * (n - 1) - k * k) / ((2 * n - 1) * (2 * n - 3));
        const std::size_t p1 = Index(n - 1, k);
        const double p2 = n >= 2 && k <= n - 2 ? P[Index(n - 2, k)] : 0;
        const double d2 = n >= 2 && k <= n - 2 ? dP[Index(n - 2, k)] : 0;
        P[nk] = x * P[p1] - K * p2;
        dP[nk] = x * dP[p1] + y * P[p1] - K * d2;
      }
      if (k == 0)
        S[nk] = S[Index(n - 1, 0)] * (2 * n - 1) / n;
      else
        S[nk] = S[nk - 1] * std::sqrt(double((n - k + 1) * (k == 1 ? 2 : 1)) / (n + k));
    }
  }
  double Xc = 0, Yc = 0, Zc = 0;
  for (int n = 1; n <= N; ++n) {
    const double ar = std::pow(kReferenceRadiusKm / r, n + 2);
    for (int k = 0; k <= n; ++k) {
      const std::size_t nk = Index(n, k);
      const double c = std::cos(k * lambda), s = std::sin(k * lambda);
      const double Pn = S[nk] * P[nk], dPn = S[nk] * dP[nk];
      Xc -= ar * (g[nk] * c + h[nk] * s) * dPn;
      Yc += ar * k * (g[nk] * s - h[nk] * c) * Pn;
      Zc -= ar * (n + 1) * (g[nk] * c + h[nk] * s) * Pn;
    }
  }
  if (y > 1e-12) Yc /= y;
  const double tilt = phiC - phi;
  const double X = Xc * std::cos(tilt) - Zc * std::sin(tilt);
  return std::atan2(Yc, X) / kRad;
}

}  // namespace tarvik
