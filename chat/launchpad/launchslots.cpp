#include "chat/launchpad/launchslots.h"

#include "common/registry.h"

namespace tavern {

namespace {

const QString kCloseChat = QStringLiteral("CloseChat");
const QString kConfirmLaunch = QStringLiteral("ConfirmLaunch");

QString slotKey(int slot)
{
    return QString::fromLatin1(kLaunchPadKey) + QStringLiteral("\\Game%1").arg(slot + 1, 2, 10, QLatin1Char('0'));
}

// The five strings in the order they are read and written.
std::array<QString *, 5> fieldsOf(CLaunchSlot &slot)
{
    return {&slot.ProgramName, &slot.FileName, &slot.FilePath, &slot.FileParms, &slot.FileIcon};
}

const std::array<QString, 5> &fieldNames()
{
    static const std::array<QString, 5> names = {QStringLiteral("ProgramName"), QStringLiteral("FileName"),
                                                 QStringLiteral("FilePath"), QStringLiteral("FileParms"),
                                                 QStringLiteral("FileIcon")};
    return names;
}

void readFlag(CRegistry &reg, const QString &name, quint32 &flag)
{
    if (!reg.GetDoubleWordValue(name, flag)) {
        flag = 1;
        reg.SetDoubleWordValue(name, flag);
    }
}

} // namespace

QString CLaunchSlot::ProgramPath() const
{
    const QString folder = NativeSeparators(FilePath);
    const QString name = NativeSeparators(FileName);
    if (folder.isEmpty() && name.startsWith(u'/'))
        return name;
    return folder + u'/' + name;
}

int CLaunchTable::FirstEmptySlot() const
{
    for (int i = 0; i < kSlotCount; ++i)
        if (Slots[i].IsEmpty())
            return i;
    return -1;
}

int CLaunchTable::FindTitle(const QString &title, int except) const
{
    if (title.isEmpty())
        return -1;
    for (int i = 0; i < kSlotCount; ++i)
        if (i != except && Slots[i].ProgramName == title)
            return i;
    return -1;
}

QStringList CLaunchTable::Titles() const
{
    QStringList titles;
    for (const CLaunchSlot &slot : Slots)
        if (!slot.IsEmpty())
            titles << slot.ProgramName;
    return titles;
}

bool LoadLaunchpad(CLaunchTable &table)
{
    CRegistry reg;
    if (!reg.Create(QString::fromLatin1(kLaunchPadKey)))
        return true;
    readFlag(reg, kCloseChat, table.CloseChat);
    readFlag(reg, kConfirmLaunch, table.ConfirmLaunch);
    reg.Close();

    bool configuredBefore = true;
    for (int i = 0; i < kSlotCount; ++i) {
        CRegistry slotReg;
        if (!slotReg.Create(slotKey(i)))
            return configuredBefore;
        const auto fields = fieldsOf(table.Slots[i]);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            // Values are read whole: a long path is never cut or replaced by an empty one.
            if (!slotReg.GetStringValue(fieldNames()[f], *fields[f])) {
                if (i == 0 && f == 0)
                    configuredBefore = false;
                fields[f]->clear();
                slotReg.SetStringValue(fieldNames()[f], QString());
            }
        }
    }
    return configuredBefore;
}

bool SaveLaunchpad(const CLaunchTable &table)
{
    CRegistry reg;
    if (!reg.Create(QString::fromLatin1(kLaunchPadKey)))
        return false;
    bool ok = reg.SetDoubleWordValue(kCloseChat, table.CloseChat);
    ok = reg.SetDoubleWordValue(kConfirmLaunch, table.ConfirmLaunch) && ok;
    reg.Close();
    for (int i = 0; i < kSlotCount; ++i) {
        CRegistry slotReg;
        if (!slotReg.Create(slotKey(i)))
            return false;
        CLaunchSlot slot = table.Slots[i];
        const auto fields = fieldsOf(slot);
        for (std::size_t f = 0; f < fields.size(); ++f)
            ok = slotReg.SetStringValue(fieldNames()[f], *fields[f]) && ok;
    }
    return ok;
}

QString NativeSeparators(const QString &path)
{
    QString out = path;
    out.replace(u'\\', u'/');
    return out;
}

void SplitPath(const QString &path, QString &folder, QString &name)
{
    const QString native = NativeSeparators(path);
    const qsizetype cut = native.lastIndexOf(u'/');
    if (cut < 0) {
        folder.clear();
        name = native;
        return;
    }
    folder = native.left(cut);
    name = native.mid(cut + 1);
}

} // namespace tavern
