import QtQuick
import QtQuick.Controls.Basic
import Aru

// The settings sheet's pop-up menu over a list of texts, in the sheet's dark look.
ComboBox {
    id: picker

    font.pixelSize: 12
    leftPadding: 10
    rightPadding: 28
    topPadding: 6
    bottomPadding: 6
    focusPolicy: Qt.NoFocus

    background: Rectangle {
        color: Theme.surface2Dark
        border.width: 1
        border.color: picker.popup.visible ? Theme.borderSubDark : Theme.borderDark
    }
    contentItem: Text {
        text: picker.displayText
        font: picker.font
        color: Theme.textDark
        elide: Text.ElideRight
        verticalAlignment: Text.AlignVCenter
    }
    indicator: Icon {
        x: picker.width - width - 10
        y: (picker.height - height) / 2
        name: "arrow.down"
        size: 10
        color: Theme.textMutedDark
    }
    delegate: ItemDelegate {
        id: entry
        required property int index
        width: picker.width
        highlighted: picker.highlightedIndex === index
        contentItem: Text {
            text: picker.textAt(entry.index)
            font: picker.font
            color: entry.index === picker.currentIndex ? Theme.accent : Theme.textDark
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: entry.highlighted ? Theme.borderDark : Theme.surface2Dark
        }
    }
    popup.background: Rectangle {
        color: Theme.surface2Dark
        border.width: 1
        border.color: Theme.borderSubDark
    }
}
