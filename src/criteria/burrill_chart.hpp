// Burrill's chart as the program tabulates it: loading coefficient tau_c
// against cavitation number sigma 0.7R for 2.5 % and 5 % back cavitation.
// 1-based (element 0 unused), as the table interpolation reads them.
#pragma once

namespace helisolv::burrill {

inline constexpr int k25Points = 8;
inline constexpr float k25Sigma[k25Points + 1] = {0.0f, 0.18f, 0.29f, 0.4f, 0.5f,
                                                  0.6f, 0.8f,  1.0f,  1.5f};
inline constexpr float k25Tau[k25Points + 1] = {0.0f,  0.02f, 0.11f, 0.14f, 0.165f,
                                                0.18f, 0.21f, 0.25f, 0.29f};
inline constexpr int k50Points = 7;
inline constexpr float k50Sigma[k50Points + 1] = {0.0f, 0.15f, 0.21f, 0.3f, 0.4f, 0.6f, 1.0f, 1.5f};
inline constexpr float k50Tau[k50Points + 1] = {0.0f,  0.03f, 0.1f, 0.135f,
                                                0.17f, 0.22f, 0.3f, 0.33f};
// The most points of a charted line.
inline constexpr int kMaxPoints = k25Points > k50Points ? k25Points : k50Points;

// The recommended upper limit is drawn at sigma 0.10, 0.15, ..., 1.50, each
// the 32-bit value nearest the round one.
inline constexpr int kUpperLimitFirst = 10;  // sigma in hundredths
inline constexpr int kUpperLimitLast = 150;
inline constexpr int kUpperLimitStep = 5;

}  // namespace helisolv::burrill
