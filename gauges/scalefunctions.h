#pragma once

// Scale arithmetic shared by the chart decorators and the gauge widgets.

// A starting increment for a scale of `count` divisions over `span`.
// A zero or non-finite span, or a count below 1, is reported and gives 1.
double scaleStep(double span, int count);

// Ends of a scale of `steps` divisions that covers [low, high] on whole
// steps built from `increment`; with `left` the range is moved up as far as
// it still covers low. Returns true when minimum or maximum changed.
// When high is not above low (NaN included), an end is not finite, steps is
// below 1 or the increment is not positive, the input range is returned
// unchanged (minimum := low, maximum := high) and the call is reported.
bool scaleRange(double low, double high, double& minimum, double& maximum, int steps, bool left,
                double increment);
