# bash completion for quaylight-cli
_quaylight_cli()
{
    local cur prev command
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    if [[ $COMP_CWORD -eq 1 ]]; then
        COMPREPLY=($(compgen -W 'ports free scan clean --help --version' -- "$cur"))
        return
    fi
    command=${COMP_WORDS[1]}
    case $prev in
        --older-than|--min-size) return ;;
    esac
    case $command in
        ports) COMPREPLY=($(compgen -W '--all --json' -- "$cur")) ;;
        free) COMPREPLY=($(compgen -W '--force --yes 3000 3001 4200 5173 8080' -- "$cur")) ;;
        scan|clean)
            if [[ $cur == -* ]]; then
                if [[ $command == scan ]]; then
                    COMPREPLY=($(compgen -W '--json' -- "$cur"))
                else
                    COMPREPLY=($(compgen -W '--older-than --min-size --permanent --dry-run --yes --json' -- "$cur"))
                fi
            else
                compopt -o filenames 2>/dev/null
                COMPREPLY=($(compgen -d -- "$cur"))
            fi
            ;;
    esac
}
complete -F _quaylight_cli quaylight-cli
