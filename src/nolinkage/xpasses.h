// X-linked network passes: the backward pass gives every node the range, mean,
// variance and log weight of the rest of the family statistic; the forward pass
// gives the family's own distribution of its statistic.
#pragma once

#include <vector>

#include "network/records.h"
#include "network/studysum.h"

// The children in the order the network places them (daughters, then sons),
// with one more step into the end node. kind[s] is 2 when step s places a
// daughter, 1 when it places a son (and 2 for the step into the end node);
// weight[s] is that child's affection code (0 for the last step).
struct XStages {
  std::vector<int> kind;
  std::vector<int> weight;
  int daughters = 0;
};

// Built once per pass from the sons' and daughters' member positions and the
// members' affection codes.
XStages xStages(const std::vector<int>& sons, const std::vector<int>& daughters,
                const std::vector<int>& affection);

// Contribution to the family statistic of step s giving u copies of the
// tested allele to its child (a son scores u under every model).
int xStepContribution(const XStages& stages, int s, int u, int model);

// The network's node lists as the passes read them: key0[i] is node i's count
// of tested-allele copies; stage s holds node numbers firstNode[s]..lastNode[s]
// (0-based; node i is element i + 1 of the node vector).
struct XNetwork {
  const std::vector<int>& key0;
  const std::vector<int>& firstNode;
  const std::vector<int>& lastNode;
  const int* childMin;  // fewest copies: [0] a daughter, [1] a son
  const int* childMax;  // most copies: [0] a daughter, [1] a son
};

// Backward pass over stages a - 1 (= number of children) .. 0. The end node
// (element N) must already hold the accumulator's meanRest and logMass; it is
// not rewritten. A node without any admissible step onward gets all zeros.
//   V[N].setNode(0, 0, acc.meanRest, acc.varRest, acc.logMass, nullptr);
//   backwardX(a, N, V, net, sons, daughters, affection, model);
void backwardX(int a, int N, Node* V, const XNetwork& net, const std::vector<int>& sons,
               const std::vector<int>& daughters, const std::vector<int>& affection, int model);

// One node i of stage s (below the last child's stage): over its admissible
// steps to stage s + 1, the least and greatest rest of the statistic, its mean
// and variance over the paths, and the log of the number of paths (plus the
// accumulator's log weight carried in through the end node).
void pathX(const Node* V, int i, int s, const XNetwork& net, const XStages& stages, int model,
           double* minRest, double* maxRest, double* meanRest, double* varRest, double* logMass);

// Forward pass from a single record (value 0, weight 1) at the root through
// every admissible step; the end node's distribution is the family's
// distribution of its statistic.
FamilyDist forwardX(int a, const XNetwork& net, const std::vector<int>& sons, const std::vector<int>& daughters,
                    const std::vector<int>& affection, int model);
