// Flattened walks: a template's walk worked out once per chunk, for each
// place it is entered, as steps on the record's fields.
#include <utility>

#include "evtx/binxml_internal.h"

namespace tav::evtx::binxml {

// The steps Run would take through a template entered with `context` open
// (its elements' roles, the innermost capturing or not), for values that
// hold no surprises; -1 when an insertion string's element holds an
// element (then which strings there are depends on the values) or the
// chunk's steps are used up.
std::int32_t Decoder::Plan(const Template& tmpl, std::vector<Open> stack)
{
    // An operation makes at most three steps; what a chunk plans is bounded
    // as what it compiles is.
    if (steps_.size() + 3 * tmpl.opCount > kMaxOps || contexts_.size() > kMaxOps)
        return -1;
    const auto firstStep = static_cast<std::uint32_t>(steps_.size());
    bool inAttribute = false;
    Field attributeField = Field::None;
    const auto step = [&](StepKind kind, Field field, std::uint32_t a = 0, bool optional = false) {
        steps_.push_back({kind, field, optional, inAttribute, a, 0, 0, 0});
    };
    // The plan's last step so far, which the next may join; null for none.
    const auto last = [&]() -> Step* { return steps_.size() > firstStep ? &steps_.back() : nullptr; };
    // A number set by one value is taken by the same step.
    const auto commit = [&](Field field) {
        if (Step* set = last(); set && set->kind == StepKind::Set && set->field == field && set->b == 0)
            set->b = 1;
        else
            step(StepKind::Commit, field);
    };
    const auto endAttribute = [&] {
        if (inAttribute && IsNumberField(attributeField)) {
            commit(attributeField);
            step(StepKind::StartNumber, Field::None);
        }
        inAttribute = false;
    };
    const auto currentField = [&] {
        if (inAttribute)
            return attributeField;
        return stack.empty() || !stack.back().capturing ? Field::None : ContentField(stack.back().role);
    };
    const auto closeElement = [&] {
        const Open top = stack.back();
        stack.pop_back();
        if (top.capturing && IsNumberField(ContentField(top.role)))
            commit(ContentField(top.role));
    };
    for (std::uint32_t i = tmpl.firstOp; i < tmpl.firstOp + tmpl.opCount; ++i) {
        const Op op = ops_[i];
        switch (op.kind) {
        case OpKind::Open: {
            inAttribute = false;
            Role parent = Role::Ignored;
            const bool root = stack.empty();
            if (!root) {
                if (stack.back().capturing && ContentField(stack.back().role) == Field::Payload) {
                    steps_.resize(firstStep);
                    return -1;
                }
                parent = stack.back().role;
                stack.back().capturing = false;
            }
            const Role role = RoleOf(parent, op.name, root);
            const Field field = ContentField(role);
            stack.push_back({role, field != Field::None});
            if (field == Field::Payload)
                step(StepKind::NewString, field);
            else if (IsNumberField(field))
                step(StepKind::StartNumber, field);
            else if (field != Field::None)
                step(StepKind::Clear, field);
            break;
        }
        case OpKind::CloseStart:
            endAttribute();
            break;
        case OpKind::CloseEmpty:
            endAttribute();
            closeElement();
            break;
        case OpKind::End:
            closeElement();
            break;
        case OpKind::Attribute: {
            endAttribute();
            inAttribute = true;
            attributeField = AttributeField(stack.back().role, op.name);
            if (attributeField == Field::Provider)
                step(StepKind::Clear, attributeField);
            else if (attributeField != Field::None)
                step(StepKind::StartNumber, attributeField);
            break;
        }
        // Text outside any field, an attribute's name say, does nothing.
        case OpKind::Text:
            if (currentField() != Field::None) {
                step(StepKind::Text, currentField(), op.a);
                steps_.back().b = op.b;
            }
            break;
        case OpKind::CodePoint:
            if (currentField() != Field::None)
                step(StepKind::CodePoint, currentField(), op.a);
            break;
        case OpKind::Subst: {
            const Field field = currentField();
            Step* before = last();
            // Most insertion strings are an element around one value, one
            // after the other: one step for them all.
            if (field == Field::Payload && !inAttribute && before && before->kind == StepKind::NewString) {
                steps_.pop_back();
                if (Step* run = last(); run && run->kind == StepKind::Strings && run->optional == op.optional &&
                                        run->a + run->b == op.a)
                    ++run->b;
                else
                    steps_.push_back({StepKind::Strings, Field::Payload, op.optional, false, op.a, 1, 0, 0});
                break;
            }
            // A field that starts with a value: one step for both.
            if (field != Field::None && field != Field::Payload && before &&
                (before->kind == StepKind::StartNumber ? IsNumberField(field)
                                                       : before->kind == StepKind::Clear && before->field == field)) {
                *before = {StepKind::Set, field, op.optional, inAttribute, op.a, 0, 0, 0};
                break;
            }
            step(StepKind::Value, field, op.a, op.optional);
            // Where a BinXml value may go on: the elements open here.
            if (!inAttribute && field == Field::None) {
                steps_.back().context = static_cast<std::uint32_t>(contexts_.size());
                steps_.back().contextSize = static_cast<std::uint32_t>(stack.size());
                contexts_.insert(contexts_.end(), stack.begin(), stack.end());
            }
            break;
        }
        }
    }
    plans_.push_back({firstStep, static_cast<std::uint32_t>(steps_.size()) - firstStep, tmpl.opCount});
    return static_cast<std::int32_t>(plans_.size() - 1);
}

// The plan of the template defined at `definition` entered at the Value
// step `at` (kRootContext: as the record's root), made once per chunk.
std::int32_t Decoder::PlanFor(const Template& tmpl, std::uint32_t definition, std::uint32_t at)
{
    const std::uint64_t key = std::uint64_t{at} << 32 | definition;
    const auto found = plansByEntry_.find(key);
    if (found != plansByEntry_.end())
        return found->second;
    std::vector<Open> context;
    if (at != kRootContext) {
        const Step& step = steps_[at];
        context.assign(contexts_.begin() + step.context, contexts_.begin() + step.context + step.contextSize);
    }
    const std::int32_t plan = Plan(tmpl, std::move(context));
    plansByEntry_.emplace(key, plan);
    return plan;
}

}  // namespace tav::evtx::binxml
