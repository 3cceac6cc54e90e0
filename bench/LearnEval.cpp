// The learning filter over an order file, as the field evaluates a filter: each line
// "LABEL<TAB>PATH"; "spam"/"ham" prints the header's score and then trains it with that label,
// "train-spam"/"train-ham" trains only and prints "-", "test" prints the score only. At the end,
// on standard error: microseconds per header to tokenize and classify, to train, and the tick
// decision of a full rule set on the same headers for the ratio; with --model FILE the model is
// written there.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "learn/LearnModel.h"
#include "learn/LearnTokens.h"
#include "learn/MessageHeader.h"
#include "rules/RuleSet.h"

namespace {

using TClock = std::chrono::steady_clock;

double Micros(TClock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
    return true;
}

// A rule set with every check and fifty text rules: what a careful user's account decides with.
TRuleInputs FullRules() {
    TRuleInputs inputs;
    inputs.AutoDelMode = TRuleSet::HeaderSearch;
    const char* const headers[] = {"Subject:", "From:", "Received:", "X-Mailer:", "To:"};
    for (int i = 0; i < 50; ++i)
        inputs.Rules.push_back(std::string(headers[i % 5]) + ",word" + std::to_string(i) + "x");
    for (int i = 0; i < 100; ++i) {
        inputs.Allow.push_back("friend" + std::to_string(i) + ".example");
        inputs.Block.push_back("spam" + std::to_string(i) + ".example");
    }
    inputs.AuthFail = true;
    inputs.AuthServId = "mx.example.jp";
    inputs.Charsets = "GB2312,GBK,BIG5,KS_C_5601-1987";
    inputs.Spoof = true;
    inputs.MaxSize = 1024;
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    std::string orderPath, modelPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--model" && i + 1 < argc)
            modelPath = argv[++i];
        else
            orderPath = arg;
    }
    std::ifstream order(orderPath);
    if (orderPath.empty() || !order) {
        std::fprintf(stderr, "usage: LearnEval [--model FILE] ORDER\n");
        return 2;
    }
    TLearnModel model;
    std::vector<std::vector<std::string>> headers;
    TClock::duration classifying{}, training{};
    size_t classified = 0, trained = 0;
    std::string line, bytes;
    while (std::getline(order, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        const std::string label = line.substr(0, tab), path = line.substr(tab + 1);
        if (!ReadFile(path, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            std::puts("-");
            continue;
        }
        headers.push_back(MessageHeader::Lines(bytes));
        const std::vector<std::string>& lines = headers.back();
        const bool scores = label == "spam" || label == "ham" || label == "test";
        const bool trains = label != "test";
        const bool unwanted = label == "spam" || label == "train-spam";
        if (scores) {
            const auto start = TClock::now();
            const TLearnScore score = model.Score(TLearnTokens::Of(lines));
            classifying += TClock::now() - start;
            ++classified;
            std::printf("%.9f\n", score.Score);
        } else {
            std::puts("-");
        }
        if (trains) {
            const auto start = TClock::now();
            model.Train(TLearnTokens::Of(lines), unwanted);
            training += TClock::now() - start;
            ++trained;
        }
    }
    const TRuleSet rules(FullRules());
    size_t ticked = 0;
    const auto start = TClock::now();
    for (const auto& lines : headers) ticked += rules.Decide(lines, 4096).Ticked;
    const double decide = Micros(TClock::now() - start) / std::max<size_t>(headers.size(), 1);
    const double classify = Micros(classifying) / std::max<size_t>(classified, 1);
    const double train = Micros(training) / std::max<size_t>(trained, 1);
    std::fprintf(stderr,
                 "classify %.1f us/header, train %.1f us/header, rule decision %.2f us/header "
                 "(%zu ticked); classify/decision %.1fx\n",
                 classify, train, decide, ticked, classify / decide);
    if (!modelPath.empty()) {
        std::ofstream out(modelPath, std::ios::binary);
        out << model.Serialize();
    }
    return 0;
}
