# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for twinly-cli

_twinly_cli()
{
    local cur prev words cword split
    _init_completion -s || return

    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir -d
            return
        fi
    done

    case $prev in
        --format)
            mapfile -t COMPREPLY < <(compgen -W 'paths csv json sh' -- "$cur")
            return
            ;;
        --db | --create-db)
            _filedir
            return
            ;;
        --reference)
            _filedir -d
            return
            ;;
        --link)
            mapfile -t COMPREPLY < <(compgen -W 'hard symbolic' -- "$cur")
            return
            ;;
        --keep)
            mapfile -t COMPREPLY < <(compgen -W 'newest oldest shortest-path longest-path
                shortest-name first in: not-in: name:' -- "$cur")
            return
            ;;
        --mask | --exclude | --min-size | --max-size | --threads | --resizing | --splitting | \
            --acc1 | --acc2 | --acc3 | --acc4)
            # Free text or a number: nothing sensible to offer.
            return
            ;;
        -h | --help | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        local opts='--mask --no-recursive --min-size --max-size --no-content --match-time
            --match-names --ignore-size --db --visual --resizing --splitting --acc1 --acc2
            --acc3 --acc4 --any-proportion --rotations --no-orientation --list --create-db --format --progress --threads
            --no-cache --clear-cache --exclude --reference --keep --link --help --version'
        mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
        return
    fi

    _filedir -d
} &&
    complete -F _twinly_cli twinly-cli
