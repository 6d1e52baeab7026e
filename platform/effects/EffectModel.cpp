#include "platform/effects/EffectModel.h"

namespace platform::effects {
namespace {

std::uint32_t ElementBytes(const VariableInfo& variable)
{
    if (variable.kind != VariableKind::Matrix) {
        return variable.columns * 4;
    }
    const std::uint32_t perRegister = variable.columnMajor ? variable.rows : variable.columns;
    return (ElementRegisters(variable) - 1) * 16 + perRegister * 4;
}

}  // namespace

std::uint32_t ElementRegisters(const VariableInfo& variable)
{
    if (variable.kind != VariableKind::Matrix) {
        return 1;
    }
    return variable.columnMajor ? variable.columns : variable.rows;
}

std::uint32_t NumericExtent(const VariableInfo& variable)
{
    const std::uint32_t count = variable.elements == 0 ? 1 : variable.elements;
    return (count - 1) * ElementRegisters(variable) * 16 + ElementBytes(variable);
}

std::uint32_t ComponentOffset(const NumericShape& shape, std::uint32_t element, std::uint32_t row,
                              std::uint32_t column)
{
    if (!shape.matrix) {
        return shape.offset + element * 16 + column * 4;
    }
    const std::uint32_t base = shape.offset + element * 16 * (shape.columnMajor ? shape.columns : shape.rows);
    return shape.columnMajor ? base + column * 16 + row * 4 : base + row * 16 + column * 4;
}

std::uint32_t ComponentOffset(const VariableInfo& variable, std::uint32_t element, std::uint32_t row,
                              std::uint32_t column)
{
    const NumericShape shape{variable.offset, variable.kind == VariableKind::Matrix, variable.columnMajor,
                             variable.rows, variable.columns};
    return ComponentOffset(shape, element, row, column);
}

}  // namespace platform::effects
