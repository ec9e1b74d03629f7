#pragma once
// The game core's arithmetic helpers. The level scenes rely on these exact formulas.
namespace JTAppBase {

// (a x b) / (b + c), product first, division toward zero. Computed in 64 bits so the product
// cannot overflow; 0 when b + c is 0; a quotient beyond the int range saturates.
int scaleByRatio(int a, int b, int c);
// a x b / (b + c) in floats; 0 when b + c is 0.
float scaleByRatioF(float a, float b, float c);

// (int)(n x (r x 2^-31)) for the generator's next 31-bit value r: [0, n) for n > 0.
int randomInt(int n);
// lo + (int)((hi - lo) x (r x 2^-31)): [lo, hi) for lo < hi.
int randomRange(int lo, int hi);
// (float)(r x 2^-31), in [0, 1): the few draws that would round up to 1 give the largest float
// below 1.
float randomFloat();

int clampInt(int v, int lo, int hi);
float clampFloat(float v, float lo, float hi);

// Whether bit n of value is set; false for n outside 0..31.
bool isBitSet(int value, int n);

}  // namespace JTAppBase
