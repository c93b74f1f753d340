#include "celltext.h"

#include <type_traits>

QString cellText(const catalogue::Value& value)
{
    return std::visit(
        [](const auto& v) -> QString {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return QString();
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return QString::number(v);
            else if constexpr (std::is_same_v<T, double>)
                return QString::number(v, 'g', 15);
            else if constexpr (std::is_same_v<T, std::string>)
                return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
            else
                return QStringLiteral("(dati binari, %1 byte)").arg(v.bytes.size());
        },
        value);
}
