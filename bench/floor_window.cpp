// floor_window: the start-up floor for bench/startup.sh. A bare Qt 6 window of
// the player's shape and nothing else: a QMainWindow with three Japanese
// menus, a splitter, a list and a three-column tree. Whatever the player needs
// beyond this window's time and memory before its window is mapped is its own.
#include <QApplication>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStringList>
#include <QTreeWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Floor"));
    const QStringList menus[] = {
        {QStringLiteral("ファイル"), QStringLiteral("設定"), QStringLiteral("終了")},
        {QStringLiteral("演奏"), QStringLiteral("再生/一時停止"), QStringLiteral("停止")},
        {QStringLiteral("ヘルプ"), QStringLiteral("バージョン情報")},
    };
    for (const QStringList& items : menus) {
        QMenu* menu = window.menuBar()->addMenu(items.front());
        for (const QString& item : items.mid(1))
            menu->addAction(item);
    }
    auto* splitter = new QSplitter(&window);
    auto* list = new QListWidget(splitter);
    list->addItem(QStringLiteral("ドライブリスト"));
    auto* tree = new QTreeWidget(splitter);
    tree->setColumnCount(3);
    tree->setHeaderLabels({QStringLiteral("場所"), QString(), QStringLiteral("名前")});
    window.setCentralWidget(splitter);
    window.resize(480, 360);
    window.show();
    return QApplication::exec();
}
