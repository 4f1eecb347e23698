#include "core/mcs51/trace_code.h"

#include "core/checks.h"
#include "core/mcs51/opcode_table.h"

namespace orlindel {

namespace {

using mcs51::Instruction;
using mcs51::Opcode;

// One decoded instruction: the opcode, its table entry and operand bytes
// (0 where the instruction has none).
struct Decoded {
  uint8_t op;
  Opcode code;
  uint8_t b1;
  uint8_t b2;

  uint16_t Word() const { return static_cast<uint16_t>(b1 << 8 | b2); }
};

// The two texts of a listing line.
struct Listing {
  std::string mnemonic;
  std::string comment;
};

// Applies the instruction's effect to `model` and, when `listing` is not
// null, fills in its texts. Control flow (nesting, RET) is the caller's.
void Execute(const Decoded& in, TraceModel& model, Listing* listing) {
  const int n = in.code.reg;
  switch (in.code.instruction) {
    case Instruction::kUnknown:
      if (listing)
        *listing = {Format(".byte 0x%.2X", in.op), "UNKNOWN -> ERROR"};
      return;
    case Instruction::kNop:
      if (listing) *listing = {"NOP", ""};
      return;
    case Instruction::kLjmp:
      if (listing) *listing = {Format("LJMP  0x%.4X", in.Word()), ""};
      return;
    case Instruction::kLcall:
      if (listing) *listing = {Format("LCALL  0x%.4X", in.Word()), ""};
      return;
    case Instruction::kRet:
      if (listing) *listing = {"RET", ""};
      return;
    case Instruction::kMovAImmediate:
      model.A = in.b1;
      if (listing)
        *listing = {Format("MOV   A, #0x%.2X", in.b1),
                    Format("A := 0x%.2X", model.A)};
      return;
    case Instruction::kMovRImmediate:
      model.R[n] = in.b1;
      if (listing)
        *listing = {Format("MOV   R%d, #0x%.2X", n, in.b1),
                    Format("R%d := 0x%.2X", n, model.R[n])};
      return;
    case Instruction::kMovDptrImmediate:
      model.DPTR = in.Word();
      if (listing)
        *listing = {Format("MOV   DPTR, #0x%.4X", model.DPTR),
                    Format("DPTR := 0x%.4X", model.DPTR)};
      return;
    case Instruction::kIncDptr:
      model.DPTR = CheckedIncrement(model.DPTR);
      if (listing)
        *listing = {"INC   DPTR", Format("DPTR := 0x%.4X", model.DPTR)};
      return;
    case Instruction::kMovxAFromDptr:
      model.A = model.Xram[model.DPTR];
      if (listing)
        *listing = {"MOVX  A, @DPTR", Format("A := 0x%.2X", model.A)};
      return;
    case Instruction::kClrA:
      model.A = 0;
      if (listing) *listing = {"CLR   A", "A := 0x00"};
      return;
    case Instruction::kMovAFromR:
      model.A = model.R[n];
      if (listing)
        *listing = {Format("MOV   A, R%d", n), Format("A := 0x%.2X", model.A)};
      return;
    case Instruction::kMovxDptrFromA:
      model.Xram[model.DPTR] = model.A;
      if (listing)
        *listing = {"MOVX  @DPTR, A",
                    Format("xram0x%.4X := 0x%.2X", model.DPTR, model.A)};
      return;
    case Instruction::kMovRFromA:
      model.R[n] = model.A;
      if (listing)
        *listing = {Format("MOV   R%d, A", n),
                    Format("R%d := 0x%.2X", n, model.R[n])};
      return;
  }
}

// Why a trace ended as failed without an unknown byte.
enum class Failure { kPastImageEnd, kTooDeep, kTooLong };

class Tracer {
 public:
  Tracer(TraceModel& model, ImageView image, AnalysisLog* log)
      : image_(image), log_(log), model_(model) {}

  TraceResult Trace(int64_t start, int64_t stop, int depth,
                    const std::string& prefix, int level);

 private:
  void WriteLine(const std::string& prefix, int64_t pos,
                 const std::string& mnemonic, const std::string& comment);
  TraceResult Fail(const std::string& prefix, int64_t pos, Failure failure);
  int64_t ImageLength() const { return static_cast<int64_t>(image_.size()); }

  ImageView image_;
  AnalysisLog* log_;
  TraceModel& model_;
  int64_t steps_ = 0;
};

void Tracer::WriteLine(const std::string& prefix, int64_t pos,
                       const std::string& mnemonic,
                       const std::string& comment) {
  // The prefix holds only TABs; it is joined outside the pattern so that it
  // can never be read as a conversion.
  log_->push_back(prefix + Format("0x%.5llX  %-22s; %s",
                                  static_cast<unsigned long long>(pos),
                                  mnemonic.c_str(), comment.c_str()));
}

// Ends the trace like an unknown byte: one line at `pos` that says why.
TraceResult Tracer::Fail(const std::string& prefix, int64_t pos,
                         Failure failure) {
  if (log_ == nullptr) return TraceResult::kStopped;
  switch (failure) {
    case Failure::kPastImageEnd:
      WriteLine(prefix, pos, "(image ends)", "PAST IMAGE END -> ERROR");
      break;
    case Failure::kTooDeep:
      WriteLine(prefix, pos, "(not followed)",
                Format("NESTED DEEPER THAN %d -> ERROR", kMaxTraceNesting));
      break;
    case Failure::kTooLong:
      WriteLine(prefix, pos, "(not decoded)",
                Format("OVER %lld INSTRUCTIONS -> ERROR",
                       static_cast<long long>(kMaxTraceSteps)));
      break;
  }
  return TraceResult::kStopped;
}

TraceResult Tracer::Trace(int64_t start, int64_t stop, int depth,
                          const std::string& prefix, int level) {
  if (start < 0 || start == stop) return TraceResult::kCompleted;
  int64_t pos = start;
  while (true) {
    if (steps_ == kMaxTraceSteps) return Fail(prefix, pos, Failure::kTooLong);
    ++steps_;
    CheckAnalysisOffset(pos);
    if (pos >= ImageLength()) return Fail(prefix, pos, Failure::kPastImageEnd);
    const uint8_t op = image_[static_cast<size_t>(pos)];
    const Opcode code = mcs51::kOpcodeTable[op];
    const int64_t next = pos + code.length;
    CheckAnalysisOffset(next - 1);
    if (next > ImageLength()) return Fail(prefix, pos, Failure::kPastImageEnd);
    const Decoded in{op, code,
                     code.length > 1 ? ByteAt(image_, pos + 1) : uint8_t{0},
                     code.length > 2 ? ByteAt(image_, pos + 2) : uint8_t{0}};

    Listing listing;
    Execute(in, model_, log_ != nullptr ? &listing : nullptr);
    if (log_ != nullptr)
      WriteLine(prefix, pos, listing.mnemonic, listing.comment);
    if (code.instruction == Instruction::kUnknown) return TraceResult::kStopped;

    const bool jumps = code.instruction == Instruction::kLjmp ||
                       code.instruction == Instruction::kLcall;
    if (jumps && depth != 0) {
      // The 16-bit address lies in the bank of the LJMP/LCALL itself.
      const int64_t target = in.Word() | BankBase(pos);
      const std::string nested = prefix + '\t';
      if (level == kMaxTraceNesting)
        return Fail(nested, target, Failure::kTooDeep);
      if (Trace(target, -1, depth < 0 ? depth : depth - 1, nested, level + 1) ==
          TraceResult::kStopped)
        return TraceResult::kStopped;
    }
    pos = next;
    if (code.instruction == Instruction::kRet && stop < 0)
      return TraceResult::kCompleted;
    if (pos == stop) return TraceResult::kCompleted;
  }
}

}  // namespace

TraceResult TraceCode(TraceModel& model, ImageView image, int64_t start,
                      int64_t stop, int depth, AnalysisLog* log,
                      const std::string& prefix) {
  return Tracer(model, image, log).Trace(start, stop, depth, prefix, 0);
}

}  // namespace orlindel
